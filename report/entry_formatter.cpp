#include <string>

#include "report/dir_scanner.h"
#include "report/report_writer.h"

namespace qv {

namespace {

// Below 1,024 bytes the bytes; else the size in the largest unit that keeps
// it at 1.0 or more, rounded to one decimal ("1023.96K" rounds up to "1.0M").
void appendHuman(uint64_t size, std::string& text) {
  if (size < 1024) {
    text += std::to_string(size);
    return;
  }
  const char units[] = "KMGTPE";
  double value = static_cast<double>(size) / 1024;
  size_t unit = 0;
  while (unit + 1 < sizeof units - 1 && value >= 1024 - 0.05) {
    value /= 1024;
    ++unit;
  }
  auto tenths = static_cast<uint64_t>(value * 10 + 0.5);
  text += std::to_string(tenths / 10);
  text += '.';
  text += static_cast<char>('0' + tenths % 10);
  text += units[unit];
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

}  // namespace

// Written by hand: it is on every line of a report with times, and a
// formatted print costs more than the rest of the line.
void appendLocalTime(const SystemTime& t, std::string& text) {
  const struct {
    unsigned value;
    int width;
    char after;
  } fields[] = {{t.year, 4, '/'}, {t.month, 2, '/'},  {t.day, 2, ' '},
                {t.hour, 2, ':'}, {t.minute, 2, ':'}, {t.second, 2, '\0'}};
  for (const auto& field : fields) {
    appendPadded(field.value, field.width, text);
    if (field.after != '\0') text += field.after;
  }
}

void appendAttributeLetters(uint32_t attributes, std::string& text) {
  if (attributes & ATTRIBUTE_READONLY) text += 'R';
  if (attributes & ATTRIBUTE_HIDDEN) text += 'H';
  if (attributes & ATTRIBUTE_ARCHIVE) text += 'A';
  if (attributes & ATTRIBUTE_SYSTEM) text += 'S';
}

void appendSizeColumn(uint64_t size, bool human, std::string& text) {
  std::string digits;
  if (human) {
    appendHuman(size, digits);
  } else {
    appendGrouped(size, digits);
  }
  // A longer number widens the column.
  if (digits.size() < 14) text.append(14 - digits.size(), ' ');
  text += digits;
  text += "  ";
}

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

void appendShownUtf8(std::string_view utf8, std::string& line) {
  size_t start = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    size_t length = 0;
    if (b < 0x20 || b == 0x7F) {
      length = 1;
    } else if (b == 0xC2 && i + 1 < utf8.size()) {
      unsigned char next = static_cast<unsigned char>(utf8[i + 1]);
      if (next >= 0x80 && next <= 0x9F) length = 2;
    } else if (b == 0xE2 && i + 2 < utf8.size() && utf8[i + 1] == '\x80') {
      unsigned char last = static_cast<unsigned char>(utf8[i + 2]);
      if (last == 0xA8 || last == 0xA9) length = 3;
    }
    if (length == 0) continue;
    line.append(utf8, start, i - start);
    line += '?';
    i += length - 1;
    start = i + 1;
  }
  line.append(utf8, start, std::string_view::npos);
}

void appendFileColumns(DirScanner& scanner, const ReportOptions& options, std::string& text) {
  if (options.showSize) appendSizeColumn(scanner.size(), options.humanSizes, text);
  if (options.showTime) {
    SystemTime t;
    // A time that does not convert reads 0000/00/00 00:00:00.
    scanner.time(t, FileTimeKind::LastWrite);
    appendLocalTime(t, text);
    text += "  ";
  }
  if (options.showAttributes) {
    appendAttributeLetters(scanner.attributes(), text);
    text += "  ";
  }
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
  appendShownUtf8(name, text);
}

void ReportWriter::appendDirectory(DirScanner& scanner, NativeView nativeDirectory,
                                   std::string& text) const {
  if (!options.utf8) {
    appendShown(scanner.directory().cStr(), text);
    return;
  }
  std::string directory;
  appendNativeAsUtf8(nativeDirectory, directory);
  appendShownUtf8(directory, text);
}

void ReportWriter::appendEntryText(DirScanner& scanner, bool isDirectory, std::string& text,
                                   NativeView nativeDirectory) {
  text.clear();
  if (!isDirectory && (options.showSize || options.showTime || options.showAttributes)) {
    text += ' ';
    appendFileColumns(scanner, options, text);
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
