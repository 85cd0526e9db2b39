#include "app/command_line.h"

#include "app/options.h"
#include "base/error.h"

namespace qv {

namespace {

// The one-line messages for an option without its value and for options that
// cannot go together, naming the arguments as the user gave them.
const char* const NO_VALUE = ": 値がありません";
const char* const EXEC_WITH_STANDARD_OUTPUT = "out - exec: 標準出力には exec を使えません";
const char* const SIZES_WITH_STANDARD_OUTPUT =
    "out - du: 標準出力には du を使えません (json なら使えます)";

}  // namespace

RunResult runCommandLine(ReportWriter& writer, const std::vector<Path>& arguments, String* unknown,
                         String* problem) {
  ReportOptions& options = writer.options;
  CommandLineSettings settings(options);
  const int count = static_cast<int>(arguments.size());
  auto refuse = [problem](const String& message) {
    if (problem != nullptr) *problem = message;
    return RunResult::NOT_AN_OPTION;
  };
  const Path noValue;
  for (int index = 0; index < count; ++index) {
    const Path& argument = arguments[static_cast<size_t>(index)];
    // One leading "-" or "/" only: --in becomes -in, which is no option.
    const Option* option = findOption(argument.shown().cStr());
    if (option == nullptr) {
      if (unknown != nullptr) *unknown = argument.shown();
      return RunResult::NOT_AN_OPTION;
    }
    // A path that is missing fails the run (status 2), as a path that cannot
    // be reached would; any other missing value is a wrong argument.
    if (option->valueKind != ValueKind::NONE && index + 1 >= count) {
      if (option->valueKind == ValueKind::OTHER) return refuse(String(option->word) + NO_VALUE);
      setLastError(CODE_INVALID_PARAMETER);
      throw Exception(CODE_INVALID_PARAMETER, option->word);
    }
    const Path& value =
        option->valueKind == ValueKind::NONE ? noValue : arguments[static_cast<size_t>(++index)];
    String refusal;
    if (!option->apply(settings, value, refusal)) return refuse(refusal);
  }
  // Only the last "out" counts; "-" there is standard output, which no viewer
  // can be started on. A file named "-" is still reached as "./-".
  options.standardOutput = settings.output.shown() == "-";
  if (options.standardOutput && options.openAfterCreate) return refuse(EXEC_WITH_STANDARD_OUTPUT);
  // A directory's total goes back into its line, which standard output has
  // sent already; the JSON report writes it after the contents instead.
  if (options.standardOutput && options.directorySizes && options.format != OutputFormat::JSON) {
    return refuse(SIZES_WITH_STANDARD_OUTPUT);
  }
  if (!options.silentErrors) {
    writer.generate(settings.output, settings.input);
    return RunResult::WRITTEN;
  }
  try {
    writer.generate(settings.output, settings.input);
  } catch (...) {
    return RunResult::FAILED;
  }
  return RunResult::WRITTEN;
}

}  // namespace qv
