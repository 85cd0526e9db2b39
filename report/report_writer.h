// ReportWriter produces one report: its options are the settings of that one
// run, and its operations do the work. runCommandLine() fills the options from
// the command line and starts the run; generate() checks the input and writes
// the file; walk() goes through the tree; formatEntry() builds each entry's
// text. A writer lives for one run and owns no resources; generate() and
// walk() own their scanners and the output file for the length of the call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ansi_string.h"
#include "base/platform.h"
#include "base/string_list.h"

namespace qv {

class DirScanner;
class DirectoryListing;
class TextOutputFile;

struct ReportOptions {
  uint32_t showSize = 0;        // size column in front of each file
  uint32_t showTime = 0;        // last-modified time column
  uint32_t showAttributes = 0;  // attribute letters column
  uint32_t fileUrl = 0;         // "  file://" + full path after each file
  uint32_t pathList = 0;        // one full path per file instead of the tree
  uint32_t skipAttributes = ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM;  // entries left out
  uint32_t openAfterCreate = 0;  // open the report with the ".txt" viewer
  uint32_t silentErrors = 0;     // command line: failures end with 2, silently
};

// The two-byte glyphs of the tree drawing, code page 932.
constexpr const char* GLYPH_BRANCH = "\x84\xA5";    // U+251C, an entry with a successor
constexpr const char* GLYPH_LAST = "\x84\xA4";      // U+2514, the last entry
constexpr const char* GLYPH_CONTINUE = "\x81\x62";  // U+FF5C, below a non-last directory
constexpr const char* GLYPH_BLANK = "\x81\x40";     // U+3000, below the last directory

// Appends text as a report line shows it: a control character (0x00 to 0x1F,
// 0x7F) becomes "?", so that no name can break or forge a line. Such bytes are
// never part of a double-byte character.
void appendShown(std::string_view text, std::string& line);
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

  // Called with the full path of each subdirectory just before the walk reads
  // it, after its parent has been listed; lets a test change the tree there.
  std::function<void(const String& directory)> onEnterDirectory;

  // Reads the arguments into the options and generates the report once.
  // Returns 0, 1 for an argument that is not an option (nothing generated;
  // the argument goes to *unknown when given), or 2 when generation failed
  // under "ne". Throws Exception when "in" or "out" has no value (87) and,
  // without "ne", when generation fails; each names the argument.
  int runCommandLine(const StringList& arguments, String* unknown = nullptr);

  // Writes the report of inputSpec (directory and file pattern; empty means
  // "./*.*") into outputPath and, with openAfterCreate, starts the viewer on
  // it. Throws Exception naming "in" or "out" and the path on failure; an
  // existing outputPath is replaced only by a complete report (a pipe or
  // device keeps the lines written so far). Memory running out throws code 8.
  void generate(const String& outputPath, const String& inputSpec);

  // Writes the lines of directory (a full path ending in the separator) and
  // everything beneath it. Throws Exception when a write fails.
  void walk(TextOutputFile& output, const String& directory, const String& pattern,
            const String& prefix);

  // As walk(), on a directory already made ready and a pattern in the
  // platform's own bytes. The depth of the tree costs heap, not stack.
  void walk(TextOutputFile& output, const DirectoryListing& directory, const std::string& pattern,
            const String& prefix);

  // The text of the entry the scanner stands on, without prefix or glyph.
  String formatEntry(DirScanner& scanner, bool isDirectory);

 private:
  void generateReport(const String& outputPath, const String& inputSpec);
  void appendEntryText(DirScanner& scanner, bool isDirectory, std::string& text);
};

}  // namespace qv
