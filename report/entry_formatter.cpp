#include "report/dir_scanner.h"
#include "report/report_writer.h"

namespace qv {

namespace {

// Grouped decimal, right-aligned in 14 characters; a longer number widens it.
void appendSize(uint64_t size, std::string& text) {
  std::string digits;
  appendGrouped(size, digits);
  if (digits.size() < 14) text.append(14 - digits.size(), ' ');
  text += digits;
  text += "  ";
}

// Zero-padded to width digits; a larger value keeps all its digits.
void appendPadded(unsigned value, int width, std::string& text) {
  char digits[16];
  int length = 0;
  do {
    digits[length++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int i = length; i < width; ++i) text += '0';
  while (length > 0) text += digits[--length];
}

// "YYYY/MM/DD hh:mm:ss  ", written by hand: it is on every line of a report
// with times, and a formatted print costs more than the rest of the line.
void appendTime(const SystemTime& t, std::string& text) {
  const struct {
    unsigned value;
    int width;
    char after;
  } fields[] = {{t.year, 4, '/'}, {t.month, 2, '/'},  {t.day, 2, ' '},
                {t.hour, 2, ':'}, {t.minute, 2, ':'}, {t.second, 2, ' '}};
  for (const auto& field : fields) {
    appendPadded(field.value, field.width, text);
    text += field.after;
  }
  text += ' ';
}

void appendAttributes(uint32_t attributes, std::string& text) {
  if (attributes & ATTRIBUTE_READONLY) text += 'R';
  if (attributes & ATTRIBUTE_HIDDEN) text += 'H';
  if (attributes & ATTRIBUTE_ARCHIVE) text += 'A';
  if (attributes & ATTRIBUTE_SYSTEM) text += 'S';
  text += "  ";
}

}  // namespace

void appendGrouped(uint64_t value, std::string& text) {
  char digits[32];
  int length = 0;
  int inGroup = 0;
  do {
    if (inGroup == 3) {
      digits[length++] = ',';
      inGroup = 0;
    }
    digits[length++] = static_cast<char>('0' + value % 10);
    value /= 10;
    ++inGroup;
  } while (value != 0);
  while (length > 0) text += digits[--length];
}

void appendShown(std::string_view text, std::string& line) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b == 0x7F) {
      line.append(text, start, i - start);
      line += '?';
      start = i + 1;
    }
  }
  line.append(text, start, std::string_view::npos);
}

String ReportWriter::formatEntry(DirScanner& scanner, bool isDirectory) {
  std::string text;
  appendEntryText(scanner, isDirectory, text);
  return String(text.c_str());
}

void ReportWriter::appendName(DirScanner& scanner, std::string& text) const {
  if (!options.utf8) {
    appendShown(scanner.name(), text);
    return;
  }
  std::string name;
  appendNativeAsUtf8(scanner.nativeName(), name);
  appendShown(name, text);
}

void ReportWriter::appendDirectory(DirScanner& scanner, NativeView nativeDirectory,
                                   std::string& text) const {
  if (!options.utf8) {
    appendShown(scanner.directory().cStr(), text);
    return;
  }
  std::string directory;
  appendNativeAsUtf8(nativeDirectory, directory);
  appendShown(directory, text);
}

void ReportWriter::appendEntryText(DirScanner& scanner, bool isDirectory, std::string& text,
                                   NativeView nativeDirectory) {
  text.clear();
  if (!isDirectory && (options.showSize || options.showTime || options.showAttributes)) {
    text += ' ';
    if (options.showSize) appendSize(scanner.size(), text);
    if (options.showTime) {
      SystemTime t;
      // A time that does not convert reads 0000/00/00 00:00:00.
      scanner.time(t, FileTimeKind::LastWrite);
      appendTime(t, text);
    }
    if (options.showAttributes) appendAttributes(scanner.attributes(), text);
  }
  if (options.pathList) {
    appendDirectory(scanner, nativeDirectory, text);
    appendName(scanner, text);
  } else if (isDirectory) {
    text += '[';
    appendName(scanner, text);
    text += ']';
    return;
  } else {
    appendName(scanner, text);
  }
  if (options.fileUrl) {
    text += "  file://";
    appendDirectory(scanner, nativeDirectory, text);
    appendName(scanner, text);
  }
}

}  // namespace qv
