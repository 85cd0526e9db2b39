#include "report/report_writer.h"

#include <memory>
#include <new>
#include <string>

#include "base/error.h"
#include "base/path.h"
#include "base/text_file_opener.h"
#include "base/text_output_file.h"
#include "report/dir_scanner.h"
#include "report/report_format.h"

namespace qv {

void UnreadableDirectories::note(const String& directory) {
  ++count;
  if (first.size() < KEPT) first.emplace_back(directory.cStr());
}

void ReportWriter::generate(const Path& outputPath, const Path& inputSpec) {
  try {
    generateReport(outputPath, inputSpec);
  } catch (const std::bad_alloc&) {
    format_ = nullptr;
    throwError(CODE_NOT_ENOUGH_MEMORY);
  }
}

void ReportWriter::generateReport(const Path& outputPath, const Path& inputSpec) {
  const char separator[] = {PATH_SEPARATOR, '\0'};
  Path spec = inputSpec.shown().length() == 0 ? Path(String(".") + separator + "*.*") : inputSpec;

  // An input whose absolute form does not fit a path buffer is refused rather
  // than silently replaced by the current directory.
  std::string inSubject = std::string("in ") + spec.shown().cStr();
  Path directoryPath, name;
  if (!splitFullPath(spec, directoryPath, name)) throw Exception(lastError(), inSubject);
  const String& directory = directoryPath.shown();
  const NativeString& nativeDirectory = directoryPath.native();
  NativeString nativePattern = name.native().empty() ? asciiNative("*.*") : name.native();

  DirectoryListing root;
  {
    // A directory that holds nothing matches nothing; any other failure of
    // the scan is the input's.
    DirScanner check;
    if (!root.open(directory, nativeDirectory) ||
        (!check.open(root, asciiNative("*.*"), 0) && lastError() != CODE_FILE_NOT_FOUND)) {
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
    // The sizes of directories go back into lines already written.
    std::unique_ptr<ReportFormat> format = makeReportFormat(options);
    bool patches = options.directorySizes && options.format != OutputFormat::JSON &&
                   (options.format != OutputFormat::TEXT || !options.pathList);
    if (patches && !output.canPatch()) throwError(CODE_INVALID_FUNCTION);
    format_ = format.get();
    if (format) format->begin(output, directory, nativeDirectory);
    std::string header = "[";
    if (options.utf8) {
      std::string shown;
      appendNativeAsUtf8(nativeDirectory, shown);
      appendShownUtf8(shown, header);
    } else {
      appendShown(directory.cStr(), header);
    }
    header += ']';
    if (!format) output.writeLine({header});
    // Read again after the report file is opened when it is in the listed
    // directory: a report lists the file it replaces, or its own new entry.
    // Elsewhere the listing of the check stands (a large directory is read
    // once).
    Path outputDirectory, outputName;
    bool readAgain = !options.standardOutput &&
                     splitFullPath(outputPath, outputDirectory, outputName) &&
                     outputDirectory.native() == nativeDirectory;
    counts = WalkCounts();
    if (!readAgain || root.open(directory, nativeDirectory)) {
      walk(output, root, nativePattern, String(), nativeDirectory);
    } else {
      if (isShortOfResources(lastError())) throwShortOfResources(lastError(), directory);
      unreadable.note(directory);
    }
    if (format) {
      format->end(output, counts);
    } else if (options.summary) {
      output.writeLine({summaryLine(counts)});
    }
    format_ = nullptr;
    output.close();
  } catch (const Exception& exception) {
    format_ = nullptr;
    // Whoever reads standard output may stop early (a pager quit, head
    // done): the report simply ends there.
    bool readerGone = exception.code() == CODE_BROKEN_PIPE || exception.code() == CODE_NO_DATA;
    if (options.standardOutput && readerGone) return;
    // Running out of memory is no fault of the output file.
    if (exception.code() == CODE_NOT_ENOUGH_MEMORY) throw;
    rethrowNaming(exception, std::string("out ") + outputPath.shown().cStr());
  }

  if (options.openAfterCreate && !openWithTextViewer(outputPath)) throwError(LAUNCH_FAILED);
}

}  // namespace qv
