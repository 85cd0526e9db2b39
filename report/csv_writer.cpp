// The CSV report: one row per listed entry, in the walk's order, after a
// header row; code page 932 with CR LF, or UTF-8 with a byte-order mark.
#include <string>
#include <vector>

#include "base/text_output_file.h"
#include "report/dir_scanner.h"
#include "report/report_format.h"

namespace qv {

namespace {

constexpr uint64_t NO_ROW = ~0ULL;
// A directory's total is written into its row once its subtree is done, so
// its field has room for any 64-bit size.
constexpr size_t TOTAL_WIDTH = 20;

class CsvFormat : public ReportFormat {
 public:
  explicit CsvFormat(const ReportOptions& options) : options_(options) {}

  void begin(TextOutputFile& output, const String&, NativeView) override {
    const char* header = options_.utf8 ? u8"パス,名前,種類,サイズ,更新日時,属性"
                                       : "パス,名前,種類,サイズ,更新日時,属性";
    // Without the mark a spreadsheet on Windows reads UTF-8 as its code page.
    output.writeLine({options_.utf8 ? "\xEF\xBB\xBF" : "", header});
    totalsAt_.push_back(NO_ROW);
  }

  void entry(TextOutputFile& output, DirScanner& scanner, bool isDirectory,
             NativeView nativeDirectory, bool entered) override {
    // A path list has rows of files only.
    if (isDirectory && options_.pathList) {
      if (entered) totalsAt_.push_back(NO_ROW);
      return;
    }
    std::string_view directory, name;
    if (options_.utf8) {
      utf8Directory_.clear();
      appendNativeAsUtf8(nativeDirectory, utf8Directory_);
      utf8Name_.clear();
      appendNativeAsUtf8(scanner.nativeName(), utf8Name_);
      directory = utf8Directory_;
      name = utf8Name_;
    } else {
      directory = scanner.directory().cStr();
      name = scanner.name();
    }
    row_.clear();
    // The path is one field: directory and name, quoted together.
    appendField(directory, name);
    row_ += ',';
    appendField(std::string_view(), name);
    row_ += ',';
    if (isDirectory) {
      row_ += options_.utf8 ? u8"ディレクトリ" : "ディレクトリ";
      row_ += ',';
      if (entered)
        totalsAt_.push_back(options_.directorySizes ? output.position() + row_.size() : NO_ROW);
      if (options_.directorySizes) {
        if (entered) {
          row_.append(TOTAL_WIDTH, ' ');
        } else {
          appendTotal(0, row_);
        }
      }
      row_ += ",,";
    } else {
      row_ += options_.utf8 ? u8"ファイル" : "ファイル";
      row_ += ',';
      if (options_.showSize) row_ += std::to_string(scanner.size());
      row_ += ',';
      if (options_.showTime) {
        SystemTime time;
        scanner.time(time, FileTimeKind::LastWrite);
        appendLocalTime(time, row_);
      }
      row_ += ',';
      if (options_.showAttributes) appendAttributeLetters(scanner.attributes(), row_);
    }
    output.writeLine({row_});
  }

  void endDirectory(TextOutputFile& output, uint64_t total) override {
    uint64_t at = totalsAt_.back();
    totalsAt_.pop_back();
    if (at == NO_ROW) return;
    std::string field;
    appendTotal(total, field);
    output.patch(at, field);
  }

  void end(TextOutputFile&, const WalkCounts&) override {}

 private:
  static void appendTotal(uint64_t total, std::string& text) {
    std::string digits = std::to_string(total);
    text.append(TOTAL_WIDTH - digits.size(), ' ');
    text += digits;
  }

  // Appends the field head + tail. A field with a comma, a quote or a line
  // break is quoted, its quotes doubled. One that a spreadsheet would run as
  // a formula gets a "'" in front, which keeps it text. The bytes looked for
  // are never the second byte of a double-byte character.
  void appendField(std::string_view head, std::string_view tail) {
    std::string_view first = head.empty() ? tail : head;
    bool formula = !first.empty() &&
                   (first[0] == '=' || first[0] == '+' || first[0] == '-' || first[0] == '@');
    const char* const special = ",\"\r\n";
    bool quoted = head.find_first_of(special) != std::string_view::npos ||
                  tail.find_first_of(special) != std::string_view::npos;
    if (quoted) row_ += '"';
    if (formula) row_ += '\'';
    for (std::string_view part : {head, tail}) {
      if (!quoted) {
        row_ += part;
        continue;
      }
      for (char c : part) {
        if (c == '"') row_ += '"';
        row_ += c;
      }
    }
    if (quoted) row_ += '"';
  }

  const ReportOptions& options_;
  std::string row_;
  std::string utf8Directory_, utf8Name_;  // with utf8: the entry's path
  // For each open directory, where its total goes in the report (NO_ROW for
  // none).
  std::vector<uint64_t> totalsAt_;
};

}  // namespace

std::unique_ptr<ReportFormat> makeCsvFormat(const ReportOptions& options) {
  return std::make_unique<CsvFormat>(options);
}

}  // namespace qv
