#include "base/error.h"
#include "report/report_writer.h"

namespace qv {

namespace {

// The value after "in" or "out"; a missing one fails naming the option.
String valueAfter(const StringList& arguments, int index, const char* option) {
  if (index >= arguments.count()) throw Exception(CODE_INVALID_PARAMETER, option);
  return arguments.get(index);
}

}  // namespace

int ReportWriter::runCommandLine(const StringList& arguments, String* unknown) {
  String outputPath = "./tree.txt";
  String inputSpec;
  int result = 0;
  for (int index = 0; index < arguments.count(); ++index) {
    String option = arguments.get(index);
    // One leading "-" or "/" only: --in becomes -in, which is no option.
    if (option.left(1) == "-" || option.left(1) == "/") option = option.right(option.length() - 1);
    if (option == "in") {
      inputSpec = valueAfter(arguments, ++index, "in");
    } else if (option == "out") {
      outputPath = valueAfter(arguments, ++index, "out");
    } else if (option == "s") {
      options.showSize = 1;
    } else if (option == "t") {
      options.showTime = 1;
    } else if (option == "a") {
      options.showAttributes = 1;
    } else if (option == "f") {
      options.fileUrl = 1;
    } else if (option == "p") {
      options.pathList = 1;
    } else if (option == "hidden") {
      options.skipAttributes &= ~ATTRIBUTE_HIDDEN;
    } else if (option == "all") {
      options.skipAttributes &= ~(ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM);
    } else if (option == "exec") {
      options.openAfterCreate = 1;
    } else if (option == "ne") {
      options.silentErrors = 1;
    } else {
      if (unknown != nullptr) *unknown = arguments.get(index);
      return 1;
    }
  }
  if (options.silentErrors) {
    try {
      generate(outputPath, inputSpec);
    } catch (...) {
      result = 2;
    }
  } else {
    generate(outputPath, inputSpec);
  }
  return result;
}

}  // namespace qv
