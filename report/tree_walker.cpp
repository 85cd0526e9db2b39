#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/text_output_file.h"
#include "report/dir_scanner.h"
#include "report/report_writer.h"
#include "report/wildcard.h"

namespace qv {

namespace {

bool isDots(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// One directory of the path being walked: its two scans, the indentation of
// its lines and, for a UTF-8 report, its path in the platform's own bytes.
struct Level {
  DirScanner directories;
  DirScanner files;
  String prefix;
  std::string nativeDirectory;
};

// Lines between two calls of the progress hook within one directory.
constexpr uint64_t PROGRESS_LINES = 512;

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
    if (isShortOfResources(lastError())) throwShortOfResources(lastError(), directory);
    unreadable.note(directory);
    return;
  }
  walk(output, listing, nativePattern, prefix);
}

void ReportWriter::walk(TextOutputFile& output, const DirectoryListing& directory,
                        const std::string& pattern, const String& prefix,
                        std::string_view nativeDirectory) {
  const uint32_t skip = options.skipAttributes;
  std::vector<std::string> excluded;
  // The patterns' own characters, as the user gave them: "é" and "è" share
  // one code page 932 form.
  for (const std::string& exclude : options.excludePatterns) {
    for (std::string& native : nativePatternsOf(exclude.c_str())) {
      if (std::find(excluded.begin(), excluded.end(), native) == excluded.end()) {
        excluded.push_back(std::move(native));
      }
    }
  }
  // A directory scan entry is left out for the mask and for "." and "..", a
  // file scan entry for the mask and for being a directory; then either for
  // an excluded name.
  auto advanceDirectories = [skip, &excluded](DirScanner& scan) {
    while (scan.isValid() &&
           (scan.hasAnyAttribute(skip) || isDots(scan.name()) ||
            (!excluded.empty() && matchesAnyPattern(scan.nativeName(), excluded)))) {
      scan.next();
    }
  };
  auto advanceFiles = [skip, &excluded](DirScanner& scan) {
    while (scan.isValid() &&
           (scan.hasAnyAttribute(skip | ATTRIBUTE_DIRECTORY) ||
            (!excluded.empty() && matchesAnyPattern(scan.nativeName(), excluded)))) {
      scan.next();
    }
  };
  const char* const branch = options.utf8 ? UTF8_GLYPH_BRANCH : GLYPH_BRANCH;
  const char* const last = options.utf8 ? UTF8_GLYPH_LAST : GLYPH_LAST;
  const char* const continuing = options.utf8 ? UTF8_GLYPH_CONTINUE : GLYPH_CONTINUE;
  const char* const blank = options.utf8 ? UTF8_GLYPH_BLANK : GLYPH_BLANK;
  const bool nativePaths = options.utf8 && (options.pathList || options.fileUrl);
  const char separator[] = {PATH_SEPARATOR, '\0'};
  counts = WalkCounts();
  const bool details = options.showSize || options.showTime || options.showAttributes ||
                       (skip & DETAIL_ATTRIBUTES) != 0;
  directory.planWalk({skip, pattern, details, excluded, options.maxDepth});

  // The levels from the top down to the directory being listed; a level is
  // left once its files are written.
  std::vector<std::unique_ptr<Level>> levels;
  auto enter = [&](const DirectoryListing& listing, String levelPrefix,
                   std::string nativeDirectory) {
    auto level = std::make_unique<Level>();
    level->prefix = std::move(levelPrefix);
    level->nativeDirectory = std::move(nativeDirectory);
    if (listing.isOpen()) {
      if (onProgress) onProgress(counts, listing.directory());
      if (level->directories.open(listing, "*.*", ATTRIBUTE_DIRECTORY)) {
        advanceDirectories(level->directories);
      }
      if (level->files.open(listing, pattern, 0)) advanceFiles(level->files);
    }
    levels.push_back(std::move(level));
  };

  std::string rootNative(nativeDirectory);
  if (nativePaths && rootNative.empty()) nativeOf(directory.directory().cStr(), rootNative);
  enter(directory, prefix.copy(), std::move(rootNative));
  std::string text;
  while (!levels.empty()) {
    Level& level = *levels.back();
    DirScanner& directories = level.directories;
    if (directories.isValid()) {
      appendEntryText(directories, true, text);
      ++counts.directories;
      // Levels below the top: the one entered would be levels.size().
      bool enters = options.maxDepth < 0 || levels.size() <= static_cast<size_t>(options.maxDepth);
      DirectoryListing child;
      std::string childNative;
      if (enters) {
        if (onEnterDirectory)
          onEnterDirectory(directories.directory() + directories.name() + separator);
        if (nativePaths) {
          childNative = level.nativeDirectory;
          childNative.append(directories.nativeName());
          childNative += PATH_SEPARATOR;
        }
        // One that cannot be read shows its own line and nothing beneath it.
        if (!directories.openChild(child)) {
          String path = directories.directory() + directories.name() + separator;
          if (isShortOfResources(lastError())) throwShortOfResources(lastError(), path);
          unreadable.note(path);
        }
      }
      directories.next();
      advanceDirectories(directories);
      bool more = directories.isValid() || level.files.isValid();
      if (!options.pathList) {
        output.writeLine({level.prefix.cStr(), more ? branch : last, text});
      }
      if (enters) enter(child, level.prefix + (more ? continuing : blank), std::move(childNative));
      continue;
    }
    directories.close();

    DirScanner& files = level.files;
    while (files.isValid()) {
      appendEntryText(files, false, text, level.nativeDirectory);
      if (options.summary) counts.bytes += files.size();
      if (++counts.files % PROGRESS_LINES == 0 && onProgress) {
        onProgress(counts, files.directory());
      }
      files.next();
      advanceFiles(files);
      if (options.pathList) {
        output.writeLine({text});
      } else {
        output.writeLine({level.prefix.cStr(), files.isValid() ? branch : last, text});
      }
    }
    levels.pop_back();
  }
}

std::string ReportWriter::summaryLine(const WalkCounts& walked) const {
  std::string line;
  appendGrouped(walked.directories, line);
  line += options.utf8 ? u8" ディレクトリ、" : " ディレクトリ、";
  appendGrouped(walked.files, line);
  line += options.utf8 ? u8" ファイル、" : " ファイル、";
  appendGrouped(walked.bytes, line);
  line += options.utf8 ? u8" バイト" : " バイト";
  return line;
}

}  // namespace qv
