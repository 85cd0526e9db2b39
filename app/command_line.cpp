#include "app/command_line.h"

#include <climits>

#include "base/error.h"

namespace qv {

namespace {

// The one-line messages for a bad value of an option: the arguments as the
// user gave them, then what is wrong with them.
const char* const NO_VALUE = ": 値がありません";
const char* const DEPTH_NOT_WHOLE = ": 0 以上の整数ではありません";
const char* const EMPTY_PATTERN = "exclude \"\": パターンが空です";
const char* const PATTERN_WITH_SEPARATOR = ": パターンは名前だけで、パスの区切りは使えません";
const char* const EXEC_WITH_STANDARD_OUTPUT = "out - exec: 標準出力には exec を使えません";
const char* const SORT_KEY_UNKNOWN = ": name、size、time のどれでもありません";
const char* const SIZES_WITH_STANDARD_OUTPUT =
    "out - du: 標準出力には du を使えません (json なら使えます)";

// A whole number of decimal digits, no sign; values past INT_MAX, deeper
// than any path can go, count as INT_MAX.
bool readDepth(const String& text, int& depth) {
  const char* digits = text.cStr();
  if (*digits == '\0') return false;
  long long value = 0;
  for (const char* at = digits; *at != '\0'; ++at) {
    if (*at < '0' || *at > '9') return false;
    if (value < INT_MAX) value = value * 10 + (*at - '0');
  }
  depth = value > INT_MAX ? INT_MAX : static_cast<int>(value);
  return true;
}

// A name holds no "/" and no separator of the platform; "\\" is looked for
// by characters, as the byte may be a trail byte.
bool hasSeparator(const String& pattern) {
  const char separator[] = {PATH_SEPARATOR, '\0'};
  return pattern.find("/") >= 0 || pattern.find(separator) >= 0;
}

// The value after "in" or "out"; a missing one fails naming the option.
const Path& valueAfter(const std::vector<Path>& arguments, int index, const char* option) {
  if (index >= static_cast<int>(arguments.size())) {
    setLastError(CODE_INVALID_PARAMETER);
    throw Exception(CODE_INVALID_PARAMETER, option);
  }
  return arguments[static_cast<size_t>(index)];
}

}  // namespace

RunResult runCommandLine(ReportWriter& writer, const std::vector<Path>& arguments, String* unknown,
                         String* problem) {
  ReportOptions& options = writer.options;
  const int count = static_cast<int>(arguments.size());
  auto get = [&arguments](int index) -> const Path& {
    return arguments[static_cast<size_t>(index)];
  };
  Path outputPath = "./tree.txt";
  Path inputSpec;
  RunResult result = RunResult::WRITTEN;
  auto refuse = [problem](const String& message) {
    if (problem != nullptr) *problem = message;
    return RunResult::NOT_AN_OPTION;
  };
  for (int index = 0; index < count; ++index) {
    String option = get(index).shown();
    // One leading "-" or "/" only: --in becomes -in, which is no option.
    if (option.left(1) == "-" || option.left(1) == "/") option = option.right(option.length() - 1);
    if (option == "in") {
      inputSpec = valueAfter(arguments, ++index, "in");
    } else if (option == "out") {
      outputPath = valueAfter(arguments, ++index, "out");
    } else if (option == "s") {
      options.showSize = true;
    } else if (option == "t") {
      options.showTime = true;
    } else if (option == "a") {
      options.showAttributes = true;
    } else if (option == "f") {
      options.fileUrl = true;
    } else if (option == "p") {
      options.pathList = true;
    } else if (option == "hidden") {
      options.skipAttributes &= ~ATTRIBUTE_HIDDEN;
    } else if (option == "all") {
      options.skipAttributes &= ~(ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM);
    } else if (option == "exec") {
      options.openAfterCreate = true;
    } else if (option == "ne") {
      options.silentErrors = true;
    } else if (option == "exclude") {
      if (index + 1 >= count) return refuse(String("exclude") + NO_VALUE);
      const Path& pattern = get(++index);
      if (pattern.shown().length() == 0) return refuse(EMPTY_PATTERN);
      if (hasSeparator(pattern.shown())) {
        return refuse("exclude " + pattern.shown() + PATTERN_WITH_SEPARATOR);
      }
      std::string matched;
      appendNativeAsUtf8(pattern.native(), matched);
      options.excludePatterns.push_back(std::move(matched));
    } else if (option == "depth") {
      if (index + 1 >= count) return refuse(String("depth") + NO_VALUE);
      const String& value = get(++index).shown();
      if (!readDepth(value, options.maxDepth)) return refuse("depth " + value + DEPTH_NOT_WHOLE);
    } else if (option == "utf8") {
      options.utf8 = true;
    } else if (option == "lf") {
      options.lineFeed = true;
    } else if (option == "summary") {
      options.summary = true;
    } else if (option == "csv") {
      options.format = OutputFormat::CSV;
    } else if (option == "json") {
      options.format = OutputFormat::JSON;
    } else if (option == "html") {
      options.format = OutputFormat::HTML;
    } else if (option == "du") {
      options.directorySizes = true;
    } else if (option == "h") {
      options.humanSizes = true;
    } else if (option == "reverse") {
      options.reverse = true;
    } else if (option == "sort") {
      if (index + 1 >= count) return refuse(String("sort") + NO_VALUE);
      const String& key = get(++index).shown();
      if (key == "name") {
        options.order = EntryOrder::NAME;
      } else if (key == "size") {
        options.order = EntryOrder::SIZE;
      } else if (key == "time") {
        options.order = EntryOrder::TIME;
      } else {
        return refuse("sort " + key + SORT_KEY_UNKNOWN);
      }
    } else {
      if (unknown != nullptr) *unknown = get(index).shown();
      return RunResult::NOT_AN_OPTION;
    }
  }
  // Only the last "out" counts; "-" there is standard output, which no viewer
  // can be started on. A file named "-" is still reached as "./-".
  options.standardOutput = outputPath.shown() == "-";
  if (options.standardOutput && options.openAfterCreate) return refuse(EXEC_WITH_STANDARD_OUTPUT);
  // A directory's total goes back into its line, which standard output has
  // sent already; the JSON report writes it after the contents instead.
  if (options.standardOutput && options.directorySizes && options.format != OutputFormat::JSON) {
    return refuse(SIZES_WITH_STANDARD_OUTPUT);
  }
  if (options.silentErrors) {
    try {
      writer.generate(outputPath, inputSpec);
    } catch (...) {
      result = RunResult::FAILED;
    }
  } else {
    writer.generate(outputPath, inputSpec);
  }
  return result;
}

}  // namespace qv
