// The entry operation shared by the platforms' main functions: it creates the
// one ReportApp, publishes it in theApplication, hands it the arguments and
// turns its result into the process exit status.
#pragma once

#include <string>
#include <vector>

namespace qv {

// Runs the program with arguments (code page 932, program name excluded) and
// returns the exit status: run()'s result, or 15 when the application could
// not be made or an exception escaped it (nothing is shown then).
int runEntry(const std::vector<std::string>& arguments);

}  // namespace qv
