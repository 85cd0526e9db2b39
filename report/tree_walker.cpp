#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/text_output_file.h"
#include "report/dir_scanner.h"
#include "report/report_format.h"
#include "report/report_writer.h"
#include "report/walk_observer.h"
#include "report/wildcard.h"

namespace qv {

namespace {

constexpr uint64_t NO_COLUMN = ~0ULL;

// One directory of the path being walked: its two scans, the indentation of
// its lines and, for a UTF-8 report, its native path; with directory sizes,
// the size of the files listed beneath it so far and where its line's size
// column is in the report.
struct Level {
  DirScanner directories;
  DirScanner files;
  String prefix;
  NativeString nativeDirectory;
  uint64_t total = 0;
  uint64_t columnAt = NO_COLUMN;
};

// Lines between two calls of the progress hook within one directory.
constexpr uint64_t PROGRESS_LINES = 512;

// The size column of a directory's line stands empty until its subtree is
// written: one space, 14 for the size, two after it.
constexpr std::string_view EMPTY_SIZE_COLUMN = "                 ";

// The order of the entries of one directory. Directories have no size of
// their own: by size they go by name.
EntryBefore entryOrder(EntryOrder order, bool reverse, bool directories) {
  auto byName = [](const SortedEntry& a, const SortedEntry& b) {
    return listedBefore(NativeView(a.nativeName), NativeView(b.nativeName));
  };
  EntryBefore before = byName;
  if (order == EntryOrder::SIZE && !directories) {
    before = [byName](const SortedEntry& a, const SortedEntry& b) {
      uint64_t x = a.entry.size, y = b.entry.size;
      return x != y ? x < y : byName(a, b);
    };
  } else if (order == EntryOrder::TIME) {
    before = [byName](const SortedEntry& a, const SortedEntry& b) {
      Time x = a.entry.lastWriteTime, y = b.entry.lastWriteTime;
      return x != y ? x < y : byName(a, b);
    };
  }
  if (!reverse) return before;
  return [before](const SortedEntry& a, const SortedEntry& b) { return before(b, a); };
}

}  // namespace

void ReportWriter::walk(TextOutputFile& output, const String& directory, const String& pattern,
                        const String& prefix) {
  DirectoryListing listing;
  // A directory that cannot be read lists nothing.
  if (!listing.open(directory, nativeOf(directory.cStr()))) {
    if (isShortOfResources(lastError())) throwShortOfResources(lastError(), directory);
    unreadable.note(directory);
    return;
  }
  walk(output, listing, nativeOf(pattern.cStr()), prefix);
}

void ReportWriter::walk(TextOutputFile& output, const DirectoryListing& directory,
                        const NativeString& pattern, const String& prefix,
                        NativeView nativeDirectory) {
  const uint32_t skip = options.skipAttributes;
  const bool sorting = options.order != EntryOrder::LISTED || options.reverse;
  const bool sortDetails = options.order == EntryOrder::SIZE || options.order == EntryOrder::TIME;
  const bool sizes = options.directorySizes;
  const WalkPlan plan{skip, pattern,
                      options.showSize || options.showTime || options.showAttributes ||
                          (skip & DETAIL_ATTRIBUTES) != 0 || sizes || sortDetails,
                      options.excludePatterns, options.maxDepth};
  // A directory scan entry is left out for the mask, a file scan entry for
  // the mask and for being a directory; then either for an excluded name.
  // The mask is asked of the scanner, which reads the details only when one
  // of its bits needs them.
  auto advanceDirectories = [&plan](DirScanner& scan) {
    while (scan.isValid() &&
           (scan.hasAnyAttribute(plan.skipAttributes) || plan.excludes(scan.nativeName()))) {
      scan.next();
    }
  };
  auto advanceFiles = [&plan](DirScanner& scan) {
    while (scan.isValid() && (scan.hasAnyAttribute(plan.skipAttributes | ATTRIBUTE_DIRECTORY) ||
                              plan.excludes(scan.nativeName()))) {
      scan.next();
    }
  };
  const char* const branch = options.utf8 ? UTF8_GLYPH_BRANCH : GLYPH_BRANCH;
  const char* const last = options.utf8 ? UTF8_GLYPH_LAST : GLYPH_LAST;
  const char* const continuing = options.utf8 ? UTF8_GLYPH_CONTINUE : GLYPH_CONTINUE;
  const char* const blank = options.utf8 ? UTF8_GLYPH_BLANK : GLYPH_BLANK;
  ReportFormat* const format = format_;
  const bool nativePaths = (options.utf8 && (options.pathList || options.fileUrl)) || format;
  // The text report's directory lines carry the column; in path-list mode
  // there are none.
  const bool sizeColumns = sizes && format == nullptr && !options.pathList;
  const EntryBefore directoryOrder = entryOrder(options.order, options.reverse, true);
  const EntryBefore fileOrder = entryOrder(options.order, options.reverse, false);
  // A total wider than the column (100 GB and more) is shown in 1,024 steps.
  auto sizeColumn = [this](uint64_t total) {
    std::string column;
    appendSizeColumn(total, options.humanSizes, column);
    if (column.size() + 1 > EMPTY_SIZE_COLUMN.size()) {
      column.clear();
      appendSizeColumn(total, true, column);
    }
    return column;
  };
  const char separator[] = {PATH_SEPARATOR, '\0'};
  counts = WalkCounts();
  // The read-ahead goes in the listing's order: only a sort that puts the
  // directories in another order walks without it.
  if (!(sorting && (options.order == EntryOrder::TIME || options.reverse))) {
    directory.planWalk(plan, observer_);
  }
  const NativeString allNames = asciiNative("*.*");

  // The levels from the top down to the directory being listed; a level is
  // left once its files are written.
  std::vector<std::unique_ptr<Level>> levels;
  auto enter = [&](const DirectoryListing& listing, String levelPrefix,
                   NativeString nativeDirectory, uint64_t columnAt) {
    auto level = std::make_unique<Level>();
    level->prefix = std::move(levelPrefix);
    level->nativeDirectory = std::move(nativeDirectory);
    level->columnAt = columnAt;
    if (listing.isOpen()) {
      if (onProgress) onProgress(counts, listing.directory());
      if (level->directories.open(listing, allNames, ATTRIBUTE_DIRECTORY)) {
        if (sorting) level->directories.sort(directoryOrder, sortDetails);
        advanceDirectories(level->directories);
      } else if (lastError() != CODE_FILE_NOT_FOUND && lastError() != CODE_NO_MORE_FILES) {
        // Where a listing is read by its scans alone (Windows), a directory
        // that cannot be read shows here.
        unreadable.note(listing.directory());
      }
      if (level->files.open(listing, pattern, 0)) {
        if (sorting) level->files.sort(fileOrder, sortDetails);
        advanceFiles(level->files);
      }
    }
    levels.push_back(std::move(level));
  };

  NativeString rootNative(nativeDirectory);
  if (nativePaths && rootNative.empty()) rootNative = nativeOf(directory.directory().cStr());
  enter(directory, prefix.copy(), std::move(rootNative), NO_COLUMN);
  std::string text;
  while (!levels.empty()) {
    Level& level = *levels.back();
    DirScanner& directories = level.directories;
    if (directories.isValid()) {
      ++counts.directories;
      bool enters = plan.entersBelow(levels.size() - 1);
      if (format != nullptr) {
        format->entry(output, directories, true, level.nativeDirectory, enters);
      } else {
        appendEntryText(directories, true, text);
        // One that is not entered has nothing listed beneath it.
        if (sizeColumns)
          text.insert(0, enters ? std::string(EMPTY_SIZE_COLUMN) : " " + sizeColumn(0));
      }
      DirectoryListing child;
      NativeString childNative;
      if (enters) {
        if (observer_ != nullptr) {
          observer_->enteringDirectory(directories.directory() + directories.name() + separator);
        }
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
      uint64_t columnAt = NO_COLUMN;
      if (!options.pathList && format == nullptr) {
        const char* glyph = more ? branch : last;
        if (sizeColumns) columnAt = output.position() + level.prefix.length() + strlen(glyph) + 1;
        output.writeLine({level.prefix.cStr(), glyph, text});
      }
      if (enters) {
        enter(child, level.prefix + (more ? continuing : blank), std::move(childNative), columnAt);
      }
      continue;
    }
    directories.close();

    DirScanner& files = level.files;
    while (files.isValid()) {
      if (format != nullptr) {
        format->entry(output, files, false, level.nativeDirectory, false);
      } else {
        appendEntryText(files, false, text, level.nativeDirectory);
      }
      if (sizes) level.total += files.size();
      if (options.summary || (format != nullptr && (options.showSize || sizes))) {
        counts.bytes += files.size();
      }
      if (++counts.files % PROGRESS_LINES == 0 && onProgress) {
        onProgress(counts, files.directory());
      }
      files.next();
      advanceFiles(files);
      if (format != nullptr) continue;
      if (options.pathList) {
        output.writeLine({text});
      } else {
        output.writeLine({level.prefix.cStr(), files.isValid() ? branch : last, text});
      }
    }
    const uint64_t total = level.total;
    if (sizeColumns && level.columnAt != NO_COLUMN) output.patch(level.columnAt, sizeColumn(total));
    if (format != nullptr) format->endDirectory(output, total);
    levels.pop_back();
    if (!levels.empty()) levels.back()->total += total;
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
