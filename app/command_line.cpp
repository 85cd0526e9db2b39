#include "app/command_line.h"

#include "base/error.h"

namespace qv {

namespace {

// The value after "in" or "out"; a missing one fails naming the option.
String valueAfter(const StringList& arguments, int index, const char* option) {
  if (index >= arguments.count()) throw Exception(CODE_INVALID_PARAMETER, option);
  return arguments.get(index);
}

}  // namespace

RunResult runCommandLine(ReportWriter& writer, const StringList& arguments, String* unknown) {
  ReportOptions& options = writer.options;
  String outputPath = "./tree.txt";
  String inputSpec;
  RunResult result = RunResult::WRITTEN;
  for (int index = 0; index < arguments.count(); ++index) {
    String option = arguments.get(index);
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
    } else {
      if (unknown != nullptr) *unknown = arguments.get(index);
      return RunResult::NOT_AN_OPTION;
    }
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
