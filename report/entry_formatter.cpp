#include <cstdio>

#include "report/dir_scanner.h"
#include "report/report_writer.h"

namespace qv {

namespace {

// Grouped decimal, right-aligned in 14 characters; a longer number widens it.
void appendSize(uint64_t size, std::string& text) {
  char digits[32];
  int length = 0;
  int inGroup = 0;
  do {
    if (inGroup == 3) {
      digits[length++] = ',';
      inGroup = 0;
    }
    digits[length++] = static_cast<char>('0' + size % 10);
    size /= 10;
    ++inGroup;
  } while (size != 0);
  for (int pad = length; pad < 14; ++pad) text += ' ';
  while (length > 0) text += digits[--length];
  text += "  ";
}

void appendTime(const SystemTime& t, std::string& text) {
  char buffer[64];
  int length = std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %02d:%02d:%02d  ", t.year,
                             t.month, t.day, t.hour, t.minute, t.second);
  text.append(buffer, static_cast<size_t>(length));
}

void appendAttributes(uint32_t attributes, std::string& text) {
  if (attributes & ATTRIBUTE_READONLY) text += 'R';
  if (attributes & ATTRIBUTE_HIDDEN) text += 'H';
  if (attributes & ATTRIBUTE_ARCHIVE) text += 'A';
  if (attributes & ATTRIBUTE_SYSTEM) text += 'S';
  text += "  ";
}

}  // namespace

void appendShown(std::string_view text, std::string& line) {
  for (char c : text) {
    unsigned char b = static_cast<unsigned char>(c);
    line += b < 0x20 || b == 0x7F ? '?' : c;
  }
}

String ReportWriter::formatEntry(DirScanner& scanner, bool isDirectory) {
  std::string text;
  appendEntryText(scanner, isDirectory, text);
  return String(text.c_str());
}

void ReportWriter::appendEntryText(DirScanner& scanner, bool isDirectory, std::string& text) {
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
    appendShown(scanner.directory().cStr(), text);
    appendShown(scanner.name(), text);
  } else if (isDirectory) {
    text += '[';
    appendShown(scanner.name(), text);
    text += ']';
    return;
  } else {
    appendShown(scanner.name(), text);
  }
  if (options.fileUrl) {
    text += "  file://";
    appendShown(scanner.directory().cStr(), text);
    appendShown(scanner.name(), text);
  }
}

}  // namespace qv
