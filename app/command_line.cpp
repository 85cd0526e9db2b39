#include "base/error.h"
#include "report/report_writer.h"

namespace qv {

int ReportWriter::runCommandLine(const StringList& arguments) {
  String outputPath = "./tree.txt";
  String inputSpec;
  int result = 0;
  for (int index = 0; index < arguments.count(); ++index) {
    String option = arguments.get(index);
    // One leading "-" or "/" only: --in becomes -in, which is no option.
    if (option.left(1) == "-" || option.left(1) == "/") option = option.right(option.length() - 1);
    if (option == "in") {
      inputSpec = arguments.get(++index);
    } else if (option == "out") {
      outputPath = arguments.get(++index);
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
