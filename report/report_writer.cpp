#include "report/report_writer.h"

#include <string>

#include "base/error.h"
#include "base/path.h"
#include "base/text_file_opener.h"
#include "base/text_output_file.h"
#include "report/dir_scanner.h"

namespace qv {

void ReportWriter::generate(const String& outputPath, const String& inputSpec) {
  const char separator[] = {PATH_SEPARATOR, '\0'};
  String spec = inputSpec.length() == 0 ? String(".") + separator + "*.*" : inputSpec.copy();

  // An input whose absolute form does not fit a path buffer is refused rather
  // than silently replaced by the current directory.
  String directory = directoryOf(spec, false);

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
  output.open(outputPath, false, true);
  std::string header = "[";
  appendShown(directory.cStr(), header);
  header += ']';
  output.writeLine({header});
  // Read after the report file exists, so that a report inside the tree lists
  // itself.
  DirectoryListing root;
  if (root.open(directory, nativeDirectory)) walk(output, root, nativePattern, String());
  output.close();

  if (options.openAfterCreate) {
    String viewerCommand = findTextFileOpener();
    if (viewerCommand.length() == 0) throwError(LAUNCH_FAILED);
    if (!startProgram(viewerCommand.cStr(), outputPath.cStr())) throwError(LAUNCH_FAILED);
  }
}

}  // namespace qv
