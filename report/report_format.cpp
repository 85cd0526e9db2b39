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

bool appendIsoTime(Time time, std::string& text) {
  SystemTime local;
  if (!toLocalTime(time, local)) return false;
  // The offset is what the conversion applied: local time read as if it
  // were UTC, less the time itself.
  int64_t utc = time.seconds();
  int64_t asUtc = daysFromCivil(local.year, local.month, local.day) * 86400 + local.hour * 3600 +
                  local.minute * 60 + local.second;
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
