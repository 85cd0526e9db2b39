// The JSON report: one UTF-8 document, an array of the listed directory as a
// nested tree and a last object with the counts. Names are the file system's
// own bytes; a byte that is not part of a UTF-8 character is written as the
// escape of a lone low surrogate, \udc80 to \udcff for the bytes 0x80 to 0xFF
// (what Python's "surrogateescape" reads back to the same bytes). No UTF-8
// text can hold a surrogate, so the escape is never ambiguous.
#include <string>
#include <vector>

#include "base/text_output_file.h"
#include "base/utf8.h"
#include "report/dir_scanner.h"
#include "report/report_format.h"

namespace qv {

namespace {

class JsonFormat : public ReportFormat {
 public:
  explicit JsonFormat(const ReportOptions& options) : options_(options) {}

  void begin(TextOutputFile& output, const String&, NativeView nativeDirectory) override {
    put(output, "[", false, false);
    std::string line = R"({"type":"directory","name":)";
    appendName(nativeDirectory, line);
    line += R"(,"contents":[)";
    put(output, line, true, false);
    ++depth_;
  }

  void entry(TextOutputFile& output, DirScanner& scanner, bool isDirectory, NativeView,
             bool entered) override {
    std::string line(depth_ * 2, ' ');
    line += isDirectory ? R"({"type":"directory","name":)" : R"({"type":"file","name":)";
    appendName(scanner.nativeName(), line);
    if (isDirectory) {
      line += R"(,"contents":[)";
      if (entered) {
        put(output, line, true, false);
        ++depth_;
        return;
      }
      line += ']';
      if (options_.directorySizes) line += R"(,"size":0)";
    } else {
      if (options_.showSize) {
        line += R"(,"size":)";
        line += std::to_string(scanner.size());
      }
      std::string time;
      if (options_.showTime && appendIsoTime(scanner.lastWriteTime(), time)) {
        line += R"(,"time":")" + time + '"';
      }
      if (options_.showAttributes) {
        line += R"(,"attributes":")";
        appendAttributeLetters(scanner.attributes(), line);
        line += '"';
      }
    }
    line += '}';
    put(output, line, true, true);
  }

  void endDirectory(TextOutputFile& output, uint64_t total) override {
    --depth_;
    std::string line(depth_ * 2, ' ');
    line += ']';
    if (options_.directorySizes) line += R"(,"size":)" + std::to_string(total);
    line += '}';
    put(output, line, false, true);
  }

  void end(TextOutputFile& output, const WalkCounts& counts) override {
    std::string line = R"({"type":"report","directories":)" + std::to_string(counts.directories) +
                       R"(,"files":)" + std::to_string(counts.files);
    if (options_.showSize || options_.directorySizes || options_.summary) {
      line += R"(,"bytes":)" + std::to_string(counts.bytes);
    }
    line += '}';
    put(output, line, true, true);
    put(output, "]", false, false);
    output.writeLine({pending_});
  }

 private:
  // Lines go out one behind, so that an element followed by another in the
  // same array gets its comma.
  void put(TextOutputFile& output, const std::string& line, bool startsElement, bool endsElement) {
    if (started_) {
      if (pendingEnds_ && startsElement) pending_ += ',';
      output.writeLine({pending_});
    }
    started_ = true;
    pending_ = line;
    pendingEnds_ = endsElement;
  }

  static void appendName(NativeView native, std::string& line) {
    std::string utf8;
    appendNativeAsUtf8(native, utf8);
    static const char HEX[] = "0123456789abcdef";
    line += '"';
    for (size_t i = 0; i < utf8.size();) {
      unsigned char b = static_cast<unsigned char>(utf8[i]);
      uint32_t ch;
      size_t length = decodeUtf8(utf8, i, ch);
      if (length == 0) {
        line += "\\udc";
        line += HEX[b >> 4];
        line += HEX[b & 0xF];
        ++i;
        continue;
      }
      if (b == '"' || b == '\\') {
        line += '\\';
        line += static_cast<char>(b);
      } else if (b == '\n') {
        line += "\\n";
      } else if (b == '\r') {
        line += "\\r";
      } else if (b == '\t') {
        line += "\\t";
      } else if (b < 0x20) {
        line += "\\u00";
        line += HEX[b >> 4];
        line += HEX[b & 0xF];
      } else {
        line.append(utf8, i, length);
      }
      i += length;
    }
    line += '"';
  }

  const ReportOptions& options_;
  size_t depth_ = 0;
  std::string pending_;
  bool pendingEnds_ = false;
  bool started_ = false;
};

}  // namespace

std::unique_ptr<ReportFormat> makeJsonFormat(const ReportOptions& options) {
  return std::make_unique<JsonFormat>(options);
}

}  // namespace qv
