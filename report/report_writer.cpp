#include "report/report_writer.h"

#include <string>
#include <vector>

#include "base/error.h"
#include "base/text_file_opener.h"
#include "base/text_output_file.h"
#include "report/dir_scanner.h"

namespace qv {

void ReportWriter::generate(const String& outputPath, const String& inputSpec) {
  const char separator[] = {PATH_SEPARATOR, '\0'};
  String spec = inputSpec.length() == 0 ? String(".") + separator + "*.*" : inputSpec.copy();

  std::vector<char> buffer(static_cast<size_t>(MAX_PATH_BYTES));
  char* filePart = nullptr;
  uint32_t length = fullPathName(spec.cStr(), MAX_PATH_BYTES, buffer.data(), &filePart);
  // An input whose absolute form does not fit a path buffer is refused rather
  // than silently replaced by the current directory.
  if (length == 0) throwLastError();
  if (length >= static_cast<uint32_t>(MAX_PATH_BYTES)) throwError(CODE_FILENAME_TOO_LONG);
  if (filePart != nullptr) *filePart = '\0';
  String directory(buffer.data());

  // The same split of the bytes the user gave, which are what is opened.
  std::string nativeSpec, nativeDirectory, nativePattern;
  if (!nativeOf(spec.cStr(), nativeSpec) ||
      !nativeFullPath(nativeSpec, nativeDirectory, nativePattern)) {
    throwLastError();
  }
  if (nativePattern.empty()) nativePattern = "*.*";

  {
    DirectoryListing listing;
    DirScanner check;
    if (!listing.open(directory, nativeDirectory) || !check.open(listing, "*.*", 0)) {
      throwLastError();
    }
  }

  TextOutputFile output;
  if (options.standardOutput) {
    output.openStandardOutput();
  } else {
    output.open(outputPath, false, true);
  }
  if (options.lineFeed) output.setLineEnd("\n");
  try {
    std::string header = "[";
    if (options.utf8) {
      std::string shown;
      appendNativeAsUtf8(nativeDirectory, shown);
      appendShown(shown, header);
    } else {
      appendShown(directory.cStr(), header);
    }
    header += ']';
    output.writeLine({header});
    // Read after the report file exists, so that a report inside the tree
    // lists itself.
    DirectoryListing root;
    counts = WalkCounts();
    if (root.open(directory, nativeDirectory)) {
      walk(output, root, nativePattern, String(), nativeDirectory);
    }
    if (options.summary) output.writeLine({summaryLine(counts)});
    output.close();
  } catch (const Exception& exception) {
    // Whoever reads standard output may stop early (a pager quit, head
    // done): the report simply ends there.
    bool readerGone = exception.code() == CODE_BROKEN_PIPE || exception.code() == CODE_NO_DATA;
    if (!options.standardOutput || !readerGone) throw;
    return;
  }

  if (options.openAfterCreate) {
    String viewerCommand = findTextFileOpener();
    if (viewerCommand.length() == 0) throwError(LAUNCH_FAILED);
    if (!startProgram(viewerCommand.cStr(), outputPath.cStr())) throwError(LAUNCH_FAILED);
  }
}

}  // namespace qv
