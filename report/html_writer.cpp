// The HTML report: one self-contained UTF-8 page (its style inline, no script,
// nothing fetched), the tree folded by directory with <details> and
// <summary>, so that it folds with scripts off. The columns are the text
// report's; with "f" each file's name links to it in file:// form.
#include <string>
#include <vector>

#include "base/text_output_file.h"
#include "base/utf8.h"
#include "report/dir_scanner.h"
#include "report/report_format.h"

namespace qv {

namespace {

constexpr uint64_t NO_COLUMN = ~0ULL;
constexpr std::string_view EMPTY_SIZE = "              ";  // 14, as the size column

const char* const PAGE_HEAD[] = {
    "<!DOCTYPE html>",
    "<html lang=\"ja\">",
    "<head>",
    "<meta charset=\"utf-8\">",
    "<meta name=\"generator\" content=\"Quorvel\">",
};
const char* const PAGE_STYLE[] = {
    "<style>",
    "body { font-family: monospace; margin: 1em; }",
    "ul { list-style: none; margin: 0; padding-left: 1.6em; }",
    "summary { cursor: pointer; }",
    ".c { white-space: pre; color: #555; }",
    ".n { margin-top: 1em; color: #555; }",
    "a { color: inherit; }",
    "</style>",
    "</head>",
    "<body>",
};

class HtmlFormat : public ReportFormat {
 public:
  explicit HtmlFormat(const ReportOptions& options) : options_(options) {}

  void begin(TextOutputFile& output, const String&, NativeView nativeDirectory) override {
    for (const char* line : PAGE_HEAD) output.writeLine({line});
    std::string header = "[";
    appendText(nativeDirectory, header);
    header += ']';
    output.writeLine({"<title>", header, "</title>"});
    for (const char* line : PAGE_STYLE) output.writeLine({line});
    output.writeLine({"<details open><summary>", header, "</summary>"});
    output.writeLine({"<ul>"});
    columnsAt_.push_back(NO_COLUMN);
  }

  void entry(TextOutputFile& output, DirScanner& scanner, bool isDirectory,
             NativeView nativeDirectory, bool entered) override {
    line_.clear();
    if (isDirectory) {
      line_ += entered ? "<li><details open><summary>" : "<li><details><summary>";
      uint64_t columnAt = NO_COLUMN;
      if (options_.directorySizes) {
        line_ += "<span class=\"c\">";
        if (entered) {
          columnAt = output.position() + line_.size();
          line_ += EMPTY_SIZE;
          line_ += "  ";
        } else {
          appendSizeColumn(0, options_.humanSizes, line_);
        }
        line_ += "</span>";
      }
      line_ += '[';
      appendText(scanner.nativeName(), line_);
      line_ += "]</summary>";
      if (entered) {
        columnsAt_.push_back(columnAt);
        output.writeLine({line_, "<ul>"});
      } else {
        output.writeLine({line_, "</details></li>"});
      }
      return;
    }
    line_ += "<li>";
    if (options_.showSize || options_.showTime || options_.showAttributes) {
      line_ += "<span class=\"c\">";
      appendFileColumns(scanner, options_, line_);
      line_ += "</span>";
    }
    if (options_.fileUrl) {
      line_ += "<a href=\"file://";
      // A drive's path, C:\w\, is file:///C:/w/.
      if (!nativeDirectory.empty() && nativeDirectory[0] != '/') line_ += '/';
      appendUrlPath(nativeDirectory, line_);
      appendUrlPath(scanner.nativeName(), line_);
      line_ += "\">";
    }
    appendText(scanner.nativeName(), line_);
    if (options_.fileUrl) line_ += "</a>";
    line_ += "</li>";
    output.writeLine({line_});
  }

  void endDirectory(TextOutputFile& output, uint64_t total) override {
    uint64_t at = columnsAt_.back();
    columnsAt_.pop_back();
    if (at != NO_COLUMN) {
      std::string column;
      appendSizeColumn(total, options_.humanSizes, column);
      // A total wider than the column (100 GB and more) is shown in 1,024 steps.
      if (column.size() > EMPTY_SIZE.size() + 2) {
        column.clear();
        appendSizeColumn(total, true, column);
      }
      output.patch(at, column);
    }
    output.writeLine({"</ul></details>", columnsAt_.empty() ? "" : "</li>"});
  }

  void end(TextOutputFile& output, const WalkCounts& counts) override {
    std::string line = "<p class=\"n\">" + std::to_string(counts.directories) +
                       u8" ディレクトリ、" + std::to_string(counts.files) + u8" ファイル";
    if (options_.showSize || options_.directorySizes || options_.summary) {
      line += u8"、";
      appendGrouped(counts.bytes, line);
      line += u8" バイト";
    }
    line += "</p>";
    output.writeLine({line});
    output.writeLine({"</body>"});
    output.writeLine({"</html>"});
  }

 private:
  // A name as the page shows it: its characters escaped, a control
  // character as "?" as in the text report, a byte that is no UTF-8
  // character as U+FFFD.
  static void appendText(NativeView native, std::string& line) {
    std::string utf8;
    appendNativeAsUtf8(native, utf8);
    for (size_t i = 0; i < utf8.size();) {
      uint32_t ch;
      size_t length = decodeUtf8(utf8, i, ch);
      if (length == 0) {
        line += u8"\uFFFD";
        ++i;
        continue;
      }
      switch (ch) {
        case '&':
          line += "&amp;";
          break;
        case '<':
          line += "&lt;";
          break;
        case '>':
          line += "&gt;";
          break;
        case '"':
          line += "&quot;";
          break;
        case '\'':
          line += "&#39;";
          break;
        default:
          if (ch < 0x20 || ch == 0x7F) {
            line += '?';
          } else {
            line.append(utf8, i, length);
          }
      }
      i += length;
    }
  }

  // Native bytes as a URL path: the separator as "/", every byte but the
  // unreserved ones percent-encoded, so that the link names the file exactly.
  static void appendUrlPath(NativeView native, std::string& line) {
    std::string utf8;
    appendNativeAsUtf8(native, utf8);
    static const char HEX[] = "0123456789ABCDEF";
    for (char c : utf8) {
      auto b = static_cast<unsigned char>(c);
      if (c == PATH_SEPARATOR) {
        line += '/';
      } else if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                 b == '-' || b == '.' || b == '_' || b == '~' || b == '/' || b == ':') {
        line += c;
      } else {
        line += '%';
        line += HEX[b >> 4];
        line += HEX[b & 0xF];
      }
    }
  }

  const ReportOptions& options_;
  std::string line_;
  // For each open directory, where its size column is (NO_COLUMN for none).
  std::vector<uint64_t> columnsAt_;
};

}  // namespace

std::unique_ptr<ReportFormat> makeHtmlFormat(const ReportOptions& options) {
  return std::make_unique<HtmlFormat>(options);
}

}  // namespace qv
