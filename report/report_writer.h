// ReportWriter produces one report: its options are the settings of that one
// run, and its operations do the work. The command line (app/command_line.h)
// or the dialog fills the options and starts the run; generate() checks the input and writes
// the file; walk() goes through the tree; formatEntry() builds each entry's
// text. A writer lives for one run and owns no resources; generate() and
// walk() own their scanners and the output file for the length of the call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/path.h"
#include "base/platform.h"
#include "base/string.h"

namespace qv {

class DirScanner;
class DirectoryListing;
class ReportFormat;
class TextOutputFile;
class WalkObserver;

// What a report is written as: the text tree or path list, or one of the
// forms other programs read.
enum class OutputFormat { TEXT, CSV, JSON, HTML };

// How the entries of one directory follow each other: as the directory lists
// them, or sorted by name, size or last-modified time (directories first all
// the same).
enum class EntryOrder { LISTED, NAME, SIZE, TIME };

struct ReportOptions {
  bool showSize = false;        // size column in front of each file
  bool showTime = false;        // last-modified time column
  bool showAttributes = false;  // attribute letters column
  bool fileUrl = false;         // "  file://" + full path after each file
  bool pathList = false;        // one full path per file instead of the tree
  uint32_t skipAttributes = ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM;  // entries left out
  bool openAfterCreate = false;  // open the report with the ".txt" viewer
  bool silentErrors = false;     // command line: failures end with 2, silently

  // Command line only; at their defaults a report is what it always was.
  std::vector<std::string> excludePatterns;  // UTF-8 wildcards: names neither listed nor entered
  int maxDepth = -1;            // levels of subdirectories entered below the top; -1: all
  bool utf8 = false;            // UTF-8, names as the file system holds them
  bool lineFeed = false;        // lines end in LF instead of CR LF
  bool summary = false;         // a last line with the counts and the total size
  bool standardOutput = false;  // the report goes to standard output, not outputPath
  OutputFormat format = OutputFormat::TEXT;
  bool directorySizes = false;  // each directory's line carries the total below it
  bool humanSizes = false;      // sizes in 1,024 steps: 1.2K, 3.4M
  EntryOrder order = EntryOrder::LISTED;
  bool reverse = false;  // the order within each directory turned round
};

// What a walk has listed so far. bytes adds up the sizes of the files listed
// only when the summary asks for it.
struct WalkCounts {
  uint64_t directories = 0;
  uint64_t files = 0;
  uint64_t bytes = 0;
};

// The two-byte glyphs of the tree drawing, code page 932.
constexpr const char* GLYPH_BRANCH = "\x84\xA5";    // U+251C, an entry with a successor
constexpr const char* GLYPH_LAST = "\x84\xA4";      // U+2514, the last entry
constexpr const char* GLYPH_CONTINUE = "\x81\x62";  // U+FF5C, below a non-last directory
constexpr const char* GLYPH_BLANK = "\x81\x40";     // U+3000, below the last directory

// The same glyphs as UTF-8, for a report written with the utf8 option.
constexpr const char* UTF8_GLYPH_BRANCH = u8"\u251C";
constexpr const char* UTF8_GLYPH_LAST = u8"\u2514";
constexpr const char* UTF8_GLYPH_CONTINUE = u8"\uFF5C";
constexpr const char* UTF8_GLYPH_BLANK = u8"\u3000";

// Appends value in decimal with its digits grouped in threes by ",".
void appendGrouped(uint64_t value, std::string& text);

// Appends the size column: the size grouped (or, with human, in 1,024 steps
// with one decimal: 1.2K), right-aligned in 14 characters, then two spaces.
void appendSizeColumn(uint64_t size, bool human, std::string& text);

// Appends a local time as the "t" column shows it: YYYY/MM/DD hh:mm:ss.
void appendLocalTime(const SystemTime& time, std::string& text);

// Appends the attribute letters as the "a" column shows them: R, H, A, S.
void appendAttributeLetters(uint32_t attributes, std::string& text);

// Appends the columns of the file the scanner stands on that options ask
// for (size, time, attributes), each followed by two spaces.
void appendFileColumns(DirScanner& scanner, const ReportOptions& options, std::string& text);

// Appends text as a report line shows it: a control character (0x00 to 0x1F,
// 0x7F) becomes "?", so that no name can break or forge a line. Such bytes are
// never part of a double-byte character.
void appendShown(std::string_view text, std::string& line);

// appendShown for UTF-8 text: the C1 controls (U+0080 to U+009F: NEL, CSI...)
// and the line and paragraph separators (U+2028, U+2029) become "?" too, since
// readers of Unicode text end a line at them. Bytes that are no UTF-8 stay.
void appendShownUtf8(std::string_view utf8, std::string& line);
// The directories that a walk could not read (no permission, vanished): they
// are listed without their contents. Counts them and keeps the first few.
struct UnreadableDirectories {
  static constexpr size_t KEPT = 3;

  // Records directory, a full path ending in the separator.
  void note(const String& directory);

  uint32_t count = 0;
  std::vector<std::string> first;  // the first KEPT paths, code page 932
};

class ReportWriter {
 public:
  ReportWriter() = default;
  virtual ~ReportWriter() = default;

  ReportOptions options;

  // Filled by the walk of the last generate().
  UnreadableDirectories unreadable;

  // Called now and then while the walk runs (as it reads each directory, and
  // every few hundred lines): what has been listed so far and the full path
  // of the directory being read.
  std::function<void(const WalkCounts& counts, const String& directory)> onProgress;

  // What the last walk listed.
  WalkCounts counts;

  // Has the walks and their read-ahead tell observer (kept by the caller)
  // what they do; none when null, as for the program itself.
  void setObserver(WalkObserver* observer) { observer_ = observer; }

  // Writes the report of inputSpec (directory and file pattern; empty means
  // "./*.*") into outputPath and, with openAfterCreate, starts the viewer on
  // it. Throws Exception naming "in" or "out" and the path on failure; an
  // existing outputPath is replaced only by a complete report (a pipe or
  // device keeps the lines written so far). Memory running out throws code 8.
  void generate(const Path& outputPath, const Path& inputSpec);

  // Writes the lines of directory (a full path ending in the separator) and
  // everything beneath it, and counts them in counts. Throws Exception when a
  // write fails.
  void walk(TextOutputFile& output, const String& directory, const String& pattern,
            const String& prefix);

  // As walk(), on a directory already made ready and a native pattern;
  // nativeDirectory is the directory's native path, when known. The depth of
  // the tree costs heap, not stack.
  void walk(TextOutputFile& output, const DirectoryListing& directory, const NativeString& pattern,
            const String& prefix, NativeView nativeDirectory = NativeView());

  // The summary line for counts, CP932 or, with utf8, UTF-8.
  std::string summaryLine(const WalkCounts& counts) const;

  // The text of the entry the scanner stands on, without prefix or glyph.
  String formatEntry(DirScanner& scanner, bool isDirectory);

 private:
  void generateReport(const Path& outputPath, const Path& inputSpec);
  // The writer of a CSV, JSON or HTML report while generate() runs one.
  ReportFormat* format_ = nullptr;
  WalkObserver* observer_ = nullptr;
  // nativeDirectory: with utf8, the scanned directory's native path, ending
  // in the separator.
  void appendEntryText(DirScanner& scanner, bool isDirectory, std::string& text,
                       NativeView nativeDirectory = NativeView());
  void appendName(DirScanner& scanner, std::string& text) const;
  void appendDirectory(DirScanner& scanner, NativeView nativeDirectory, std::string& text) const;
};

}  // namespace qv
