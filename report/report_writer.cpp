#include "report/report_writer.h"

#include <new>
#include <string>
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
  if (filePart != nullptr) *filePart = '\0';
  String directory(buffer.data());

  // The same split of the bytes the user gave, which are what is opened.
  std::string nativeSpec, nativeDirectory, nativePattern;
  if (!nativeOf(spec.cStr(), nativeSpec) ||
      !nativeFullPath(nativeSpec, nativeDirectory, nativePattern)) {
    throw Exception(lastError(), inSubject);
  }
  if (nativePattern.empty()) nativePattern = "*.*";

  {
    DirectoryListing listing;
    DirScanner check;
    if (!listing.open(directory, nativeDirectory) || !check.open(listing, "*.*", 0)) {
      throw Exception(lastError(), inSubject);
    }
  }

  unreadable = UnreadableDirectories();
  TextOutputFile output;
  try {
    output.open(outputPath, false, true);
    std::string header = "[";
    appendShown(directory.cStr(), header);
    header += ']';
    output.writeLine({header});
    // Read after the report file is opened: a report that replaces one inside
    // the tree lists the file it replaces.
    DirectoryListing root;
    if (root.open(directory, nativeDirectory)) {
      walk(output, root, nativePattern, String());
    } else {
      unreadable.note(directory);
    }
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
