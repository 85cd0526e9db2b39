// The entry operation shared by the platforms' main functions: it creates the
// one ReportApp, hands it the arguments and turns its result into the process
// exit status. Whatever needs the application (the dialogs) is handed it.
#pragma once

#include <vector>

#include "base/platform.h"

namespace qv {

// Runs the program with arguments (native, program name excluded) and
// returns the exit status: run()'s result, or 15 when the application could
// not be made or an exception escaped it (nothing is shown then).
int runEntry(const std::vector<NativeString>& arguments);

}  // namespace qv
