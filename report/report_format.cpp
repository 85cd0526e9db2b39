#include "report/report_format.h"

#include "base/platform.h"

namespace qv {

namespace {

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

void appendTwoDigits(unsigned value, std::string& text) {
  text += static_cast<char>('0' + value / 10 % 10);
  text += static_cast<char>('0' + value % 10);
}

}  // namespace

std::unique_ptr<ReportFormat> makeReportFormat(const ReportOptions& options) {
  switch (options.format) {
    case OutputFormat::CSV:
      return makeCsvFormat(options);
    case OutputFormat::JSON:
      return makeJsonFormat(options);
    case OutputFormat::HTML:
      return makeHtmlFormat(options);
    default:
      return nullptr;
  }
}

size_t utf8CharacterLength(std::string_view text, size_t i, uint32_t& ch) {
  unsigned char b = static_cast<unsigned char>(text[i]);
  size_t length;
  uint32_t least;
  if (b < 0x80) {
    ch = b;
    return 1;
  } else if (b >= 0xC2 && b < 0xE0) {
    length = 2, ch = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b < 0xF0) {
    length = 3, ch = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b < 0xF5) {
    length = 4, ch = b & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    unsigned char c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    ch = ch << 6 | (c & 0x3F);
  }
  if (ch < least || ch > 0x10FFFF || (ch >= 0xD800 && ch < 0xE000)) return 0;
  return length;
}

bool appendIsoTime(uint64_t fileTime, std::string& text) {
  SystemTime local;
  if (!fileTimeToLocalTime(fileTime, local)) return false;
  // The offset is what the conversion applied: local time read as if it
  // were UTC, less the time itself.
  const int64_t epochDifference = 11644473600LL;
  int64_t utc = static_cast<int64_t>(fileTime / 10000000ULL) - epochDifference;
  int64_t asUtc = daysFromCivil(local.year, local.month, local.day) * 86400 +
                  local.hour * 3600 + local.minute * 60 + local.second;
  int64_t offsetMinutes = (asUtc - utc) / 60;
  const unsigned yearDigits[] = {local.year / 100u, local.year % 100u};
  for (unsigned part : yearDigits) appendTwoDigits(part, text);
  text += '-';
  appendTwoDigits(local.month, text);
  text += '-';
  appendTwoDigits(local.day, text);
  text += 'T';
  appendTwoDigits(local.hour, text);
  text += ':';
  appendTwoDigits(local.minute, text);
  text += ':';
  appendTwoDigits(local.second, text);
  text += offsetMinutes < 0 ? '-' : '+';
  if (offsetMinutes < 0) offsetMinutes = -offsetMinutes;
  appendTwoDigits(static_cast<unsigned>(offsetMinutes / 60), text);
  text += ':';
  appendTwoDigits(static_cast<unsigned>(offsetMinutes % 60), text);
  return true;
}

}  // namespace qv
