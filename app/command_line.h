// The command-line run: the arguments become the options of one ReportWriter,
// which then generates its report once. The writer belongs to the caller;
// nothing here outlives the call.
#pragma once

#include <vector>

#include "base/path.h"
#include "report/report_writer.h"

namespace qv {

// How a command-line run ends; the values are the process's exit statuses.
enum class RunResult { WRITTEN = 0, NOT_AN_OPTION = 1, FAILED = 2 };

// Reads the arguments into writer.options and generates the report once.
// NOT_AN_OPTION for an argument that is not an option (it goes to *unknown)
// or a bad value of one (*problem receives the one-line message naming it);
// nothing is generated then. FAILED when generation failed under "ne".
// Throws Exception when "in" or "out" has no value (87) and, without "ne",
// when generation fails; each names the argument.
// Each argument comes with its native form (Path): "in" and "out" are reached
// by that, and it is the native form of "exclude" that names are matched with.
RunResult runCommandLine(ReportWriter& writer, const std::vector<Path>& arguments,
                         String* unknown = nullptr, String* problem = nullptr);

}  // namespace qv
