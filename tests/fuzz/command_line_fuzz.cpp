// The command line read into options, on any arguments. The report is not
// made: generate() here only checks what the options came to. Input: the
// arguments, separated by zero bytes.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "base/error.h"
#include "base/path.h"
#include "fuzz/fuzz.h"
#include "report/report_writer.h"

namespace qv {

void ReportWriter::generate(const Path& outputPath, const Path&) {
  fuzz::require(!(options.standardOutput && options.openAfterCreate),
                "no viewer on standard output");
  fuzz::require(options.standardOutput == (outputPath.shown() == "-"),
                "\"-\" alone is standard output");
  fuzz::require(options.maxDepth >= -1, "a depth is -1 or a whole number");
  for (const std::string& pattern : options.excludePatterns) {
    fuzz::require(!pattern.empty() && pattern.find('/') == std::string::npos,
                  "an exclude pattern is one name");
  }
}

namespace fuzz {

void fuzzOne(const std::string& data) {
  std::vector<Path> arguments;
  for (const std::string& part : parts(data)) arguments.push_back(Path::fromNative(part));
  ReportWriter writer;
  String unknown, problem;
  try {
    RunResult result = runCommandLine(writer, arguments, &unknown, &problem);
    require(result == RunResult::WRITTEN || result == RunResult::NOT_AN_OPTION ||
                result == RunResult::FAILED,
            "a known result");
    // An empty argument is no option, and is named as the empty text.
    if (result == RunResult::NOT_AN_OPTION && !data.empty() &&
        data.find(std::string(2, '\0')) == std::string::npos && data.front() != '\0' &&
        data.back() != '\0') {
      require(unknown.length() > 0 || problem.length() > 0, "a refusal says what it refuses");
    }
  } catch (const Exception& exception) {
    // Only a missing value of "in" or "out".
    require(exception.code() == CODE_INVALID_PARAMETER, "only a missing value throws");
  }
}

}  // namespace fuzz
}  // namespace qv
