#include "report/report_writer.h"

#include <new>
#include <vector>

#include "base/error.h"
#include "base/text_file_opener.h"
#include "base/text_output_file.h"
#include "report/dir_scanner.h"

namespace qv {

void UnreadableDirectories::note(const String& directory) {
  ++count;
  if (first.size() < KEPT) first.emplace_back(directory.cStr());
}

void ReportWriter::generate(const String& outputPath, const String& inputSpec) {
  try {
    generateReport(outputPath, inputSpec);
  } catch (const std::bad_alloc&) {
    throwError(CODE_NOT_ENOUGH_MEMORY);
  }
}

void ReportWriter::generateReport(const String& outputPath, const String& inputSpec) {
  const char separator[] = {PATH_SEPARATOR, '\0'};
  String spec = inputSpec.length() == 0 ? String(".") + separator + "*.*" : inputSpec.copy();

  std::vector<char> buffer(static_cast<size_t>(MAX_PATH_BYTES));
  char* filePart = nullptr;
  uint32_t length = fullPathName(spec.cStr(), MAX_PATH_BYTES, buffer.data(), &filePart);
  // An input whose absolute form does not fit a path buffer is refused rather
  // than silently replaced by the current directory.
  std::string inSubject = std::string("in ") + spec.cStr();
  if (length == 0) throw Exception(lastError(), inSubject);
  if (length >= static_cast<uint32_t>(MAX_PATH_BYTES)) {
    throw Exception(CODE_FILENAME_TOO_LONG, inSubject);
  }
  String pattern;
  if (filePart != nullptr) {
    pattern = filePart;
    *filePart = '\0';
  }
  String directory(buffer.data());
  if (pattern.length() == 0) pattern = "*.*";

  DirScanner check;
  if (!check.open((directory + "*.*").cStr(), 0)) throw Exception(lastError(), inSubject);

  unreadable = UnreadableDirectories();
  TextOutputFile output;
  try {
    output.open(outputPath, false, true);
    output.writeLine("[" + directory + "]");
    walk(output, directory, pattern, String());
    output.close();
  } catch (const Exception& exception) {
    // Running out of memory is no fault of the output file.
    if (exception.code() == CODE_NOT_ENOUGH_MEMORY) throw;
    rethrowNaming(exception, std::string("out ") + outputPath.cStr());
  }

  if (options.openAfterCreate) {
    String viewerCommand = findTextFileOpener();
    if (viewerCommand.length() == 0) throwError(LAUNCH_FAILED);
    if (!startProgram(viewerCommand.cStr(), outputPath.cStr())) throwError(LAUNCH_FAILED);
  }
}

}  // namespace qv
