#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/text_output_file.h"
#include "report/dir_scanner.h"
#include "report/report_writer.h"

namespace qv {

namespace {

bool isDots(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// One directory of the path being walked: its two scans and the indentation
// of its lines.
struct Level {
  DirScanner directories;
  DirScanner files;
  String prefix;
};

}  // namespace

void ReportWriter::walk(TextOutputFile& output, const String& directory, const String& pattern,
                        const String& prefix) {
  std::string nativeDirectory, nativePattern;
  DirectoryListing listing;
  // A directory that cannot be read lists nothing.
  if (!nativeOf(directory.cStr(), nativeDirectory) || !nativeOf(pattern.cStr(), nativePattern)) {
    return;
  }
  if (!listing.open(directory, nativeDirectory)) {
    unreadable.note(directory);
    return;
  }
  walk(output, listing, nativePattern, prefix);
}

void ReportWriter::walk(TextOutputFile& output, const DirectoryListing& directory,
                        const std::string& pattern, const String& prefix) {
  const uint32_t skip = options.skipAttributes;
  // A directory scan entry is left out for the mask and for "." and "..", a
  // file scan entry for the mask and for being a directory.
  auto advanceDirectories = [skip](DirScanner& scan) {
    while (scan.isValid() && (scan.hasAnyAttribute(skip) || isDots(scan.name()))) scan.next();
  };
  auto advanceFiles = [skip](DirScanner& scan) {
    while (scan.isValid() && scan.hasAnyAttribute(skip | ATTRIBUTE_DIRECTORY)) scan.next();
  };
  const bool details = options.showSize || options.showTime || options.showAttributes ||
                       (skip & DETAIL_ATTRIBUTES) != 0;
  directory.planWalk({skip, pattern, details});

  // The levels from the top down to the directory being listed; a level is
  // left once its files are written.
  std::vector<std::unique_ptr<Level>> levels;
  auto enter = [&](const DirectoryListing& listing, String levelPrefix) {
    auto level = std::make_unique<Level>();
    level->prefix = std::move(levelPrefix);
    if (listing.isOpen()) {
      if (level->directories.open(listing, "*.*", ATTRIBUTE_DIRECTORY)) {
        advanceDirectories(level->directories);
      }
      if (level->files.open(listing, pattern, 0)) advanceFiles(level->files);
    }
    levels.push_back(std::move(level));
  };

  enter(directory, prefix.copy());
  std::string text;
  while (!levels.empty()) {
    Level& level = *levels.back();
    DirScanner& directories = level.directories;
    if (directories.isValid()) {
      appendEntryText(directories, true, text);
      DirectoryListing child;
      if (onEnterDirectory) {
        const char separator[] = {PATH_SEPARATOR, '\0'};
        onEnterDirectory(directories.directory() + directories.name() + separator);
      }
      // One that cannot be read shows its own line and nothing beneath it.
      if (!directories.openChild(child)) {
        const char separator[] = {PATH_SEPARATOR, '\0'};
        unreadable.note(directories.directory() + directories.name() + separator);
      }
      directories.next();
      advanceDirectories(directories);
      bool more = directories.isValid() || level.files.isValid();
      if (!options.pathList) {
        output.writeLine({level.prefix.cStr(), more ? GLYPH_BRANCH : GLYPH_LAST, text});
      }
      enter(child, level.prefix + (more ? GLYPH_CONTINUE : GLYPH_BLANK));
      continue;
    }
    directories.close();

    DirScanner& files = level.files;
    while (files.isValid()) {
      appendEntryText(files, false, text);
      files.next();
      advanceFiles(files);
      if (options.pathList) {
        output.writeLine({text});
      } else {
        output.writeLine({level.prefix.cStr(), files.isValid() ? GLYPH_BRANCH : GLYPH_LAST, text});
      }
    }
    levels.pop_back();
  }
}

}  // namespace qv
