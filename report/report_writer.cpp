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

  {
    DirectoryListing listing;
    DirScanner check;
    if (!listing.open(directory, nativeDirectory) || !check.open(listing, asciiNative("*.*"), 0)) {
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
      appendShown(shown, header);
    } else {
      appendShown(directory.cStr(), header);
    }
    header += ']';
    if (!format) output.writeLine({header});
    // Read after the report file is opened: a report that replaces one inside
    // the tree lists the file it replaces.
    DirectoryListing root;
    counts = WalkCounts();
    if (root.open(directory, nativeDirectory)) {
      walk(output, root, nativePattern, String(), nativeDirectory);
    } else {
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

  if (options.openAfterCreate) {
    String viewerCommand = findTextFileOpener();
    if (viewerCommand.length() == 0) throwError(LAUNCH_FAILED);
    if (!startProgram(viewerCommand.cStr(), outputPath.native())) throwError(LAUNCH_FAILED);
  }
}

}  // namespace qv
