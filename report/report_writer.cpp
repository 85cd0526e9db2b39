#include "report/report_writer.h"

#include <new>
#include <string>

#include "base/error.h"
#include "base/path.h"
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

  // An input whose absolute form does not fit a path buffer is refused rather
  // than silently replaced by the current directory.
  std::string inSubject = std::string("in ") + spec.cStr();
  String directory, name;
  if (!splitAbsolute(spec.cStr(), directory, name)) throw Exception(lastError(), inSubject);

  // The same split of the bytes the user gave, which are what is opened.
  std::string nativeSpec, nativeDirectory, nativePattern;
  if (!nativeOf(spec.cStr(), nativeSpec) ||
      !nativeFullPath(nativeSpec, nativeDirectory, nativePattern)) {
    throw Exception(lastError(), inSubject);
  }
  if (nativePattern.empty()) nativePattern = "*.*";

  DirectoryListing root;
  {
    DirScanner check;
    if (!root.open(directory, nativeDirectory) || !check.open(root, "*.*", 0)) {
      throw Exception(lastError(), inSubject);
    }
  }

  unreadable = UnreadableDirectories();
  TextOutputFile output;
  try {
    if (options.standardOutput) {
      output.openStandardOutput();
    } else {
      output.open(outputPath, false, true);
    }
    if (options.lineFeed) output.setLineEnd("\n");
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
    // Read again after the report file is opened when it is in the listed
    // directory: a report lists the file it replaces, or its own new entry.
    // Elsewhere the listing of the check stands (a large directory is read
    // once).
    std::string nativeOutput, outputDirectory, outputName;
    bool readAgain = !options.standardOutput && nativeOf(outputPath.cStr(), nativeOutput) &&
                     nativeFullPath(nativeOutput, outputDirectory, outputName) &&
                     outputDirectory == nativeDirectory;
    counts = WalkCounts();
    if (!readAgain || root.open(directory, nativeDirectory)) {
      walk(output, root, nativePattern, String(), nativeDirectory);
    } else {
      if (isShortOfResources(lastError())) throwShortOfResources(lastError(), directory);
      unreadable.note(directory);
    }
    if (options.summary) output.writeLine({summaryLine(counts)});
    output.close();
  } catch (const Exception& exception) {
    // Whoever reads standard output may stop early (a pager quit, head
    // done): the report simply ends there.
    bool readerGone = exception.code() == CODE_BROKEN_PIPE || exception.code() == CODE_NO_DATA;
    if (options.standardOutput && readerGone) return;
    // Running out of memory is no fault of the output file.
    if (exception.code() == CODE_NOT_ENOUGH_MEMORY) throw;
    rethrowNaming(exception, std::string("out ") + outputPath.cStr());
  }

  if (options.openAfterCreate && !openWithTextViewer(outputPath)) throwError(LAUNCH_FAILED);
}

}  // namespace qv
