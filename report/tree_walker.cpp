#include <cstring>
#include <string>

#include "base/text_output_file.h"
#include "report/dir_scanner.h"
#include "report/report_writer.h"

namespace qv {

namespace {

bool isDots(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace

void ReportWriter::walk(TextOutputFile& output, const String& directory, const String& pattern,
                        const String& prefix) {
  const uint32_t skip = options.skipAttributes;
  // A directory scan entry is left out for the mask and for "." and "..", a
  // file scan entry for the mask and for being a directory.
  auto advanceDirectories = [skip](DirScanner& scan) {
    while (scan.isValid() && (scan.hasAnyAttribute(skip) || isDots(scan.name()))) scan.next();
  };
  auto advanceFiles = [skip](DirScanner& scan) {
    while (scan.isValid() && scan.hasAnyAttribute(skip | ATTRIBUTE_DIRECTORY)) scan.next();
  };

  DirScanner directories;
  String all = directory + "*.*";
  if (directories.open(all.cStr(), ATTRIBUTE_DIRECTORY)) {
    advanceDirectories(directories);
  } else if (lastError() != CODE_FILE_NOT_FOUND && lastError() != CODE_NO_MORE_FILES) {
    unreadable.note(directory);
  }
  DirScanner files;
  String filePattern = directory + pattern;
  if (files.open(filePattern.cStr(), 0)) advanceFiles(files);

  std::string text;
  const char separator[] = {PATH_SEPARATOR, '\0'};
  while (directories.isValid()) {
    String name(directories.name());
    appendEntryText(directories, true, text);
    directories.next();
    advanceDirectories(directories);
    bool more = directories.isValid() || files.isValid();
    if (!options.pathList) {
      output.writeLine({prefix.cStr(), more ? GLYPH_BRANCH : GLYPH_LAST, text});
    }
    walk(output, directory + name + separator, pattern,
         prefix + (more ? GLYPH_CONTINUE : GLYPH_BLANK));
  }
  directories.close();

  while (files.isValid()) {
    appendEntryText(files, false, text);
    files.next();
    advanceFiles(files);
    if (options.pathList) {
      output.writeLine({text});
    } else {
      output.writeLine({prefix.cStr(), files.isValid() ? GLYPH_BRANCH : GLYPH_LAST, text});
    }
  }
  files.close();
}

}  // namespace qv
