// A ReportFormat writes a report in a form that other programs read: CSV for a
// spreadsheet (csv_writer.cpp), one JSON document (json_writer.cpp) or a page
// to browse (html_writer.cpp). The walk hands it the entries in its order and
// tells it where each directory's contents end; it writes them through the
// walk's TextOutputFile, which it borrows for each call. It keeps only what
// the open directories of the current path need, so that its memory does not
// grow with the tree.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "report/report_writer.h"

namespace qv {

class DirScanner;
class TextOutputFile;

class ReportFormat {
 public:
  virtual ~ReportFormat() = default;

  // Writes what comes before the entries. directory is the listed directory,
  // code page 932, and nativeDirectory the same path in the platform's own
  // bytes; both end in the separator.
  virtual void begin(TextOutputFile& output, const String& directory,
                     NativeView nativeDirectory) = 0;

  // Writes the entry the scanner stands on. nativeDirectory is the
  // directory holding it in the platform's own bytes, ending in the
  // separator. A directory that is entered has its contents written next and
  // then endDirectory(); one that is not (below the depth limit) is complete.
  virtual void entry(TextOutputFile& output, DirScanner& scanner, bool isDirectory,
                     NativeView nativeDirectory, bool entered) = 0;

  // Ends the contents of the directory entered last (the listed directory
  // comes last). total: the size of the files listed beneath it, at every
  // level, when directorySizes asks for it.
  virtual void endDirectory(TextOutputFile& output, uint64_t total) = 0;

  // Writes what comes after the entries: counts is what the walk listed.
  virtual void end(TextOutputFile& output, const WalkCounts& counts) = 0;
};

// The writer of options.format, reading options while it lives; null for the
// text report, which the walk writes itself.
std::unique_ptr<ReportFormat> makeReportFormat(const ReportOptions& options);

// The writers of each form, for makeReportFormat().
std::unique_ptr<ReportFormat> makeCsvFormat(const ReportOptions& options);
std::unique_ptr<ReportFormat> makeJsonFormat(const ReportOptions& options);
std::unique_ptr<ReportFormat> makeHtmlFormat(const ReportOptions& options);

// Helpers the forms share.

// Appends time as local time in ISO 8601 with the offset from UTC that the
// local time has then: 2002-10-14T09:05:03+09:00. False, appending nothing,
// when it does not convert.
bool appendIsoTime(Time time, std::string& text);

}  // namespace qv
