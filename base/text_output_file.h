// TextOutputFile is the report file: code page 932 lines, each followed by CR
// LF, nothing before the first line. It holds a TextFile and turns every
// failure into an Exception carrying the platform's last error code.
//
// Lines are collected in a bounded buffer and written in blocks: flush() and
// close() write them out, and the destructor writes what is left, so every
// line reaches the file before its owner returns or throws. A failed write
// leaves everything written before it in the file.
#pragma once

#include <string>
#include <string_view>

#include "base/file.h"
#include "base/string.h"

namespace qv {

class TextOutputFile {
 public:
  TextOutputFile() = default;
  TextOutputFile(const TextOutputFile&) = delete;
  TextOutputFile& operator=(const TextOutputFile&) = delete;
  virtual ~TextOutputFile();

  // Closes, then opens path: append keeps the content (else the file is
  // created or emptied), shareRead lets others read it meanwhile. Throws
  // Exception with the last error code on failure.
  void open(const String& path, bool append, bool shareRead);

  // Writes line and CR LF. Throws Exception with the last error code when a
  // write fails.
  void writeLine(const String& line);

  // Writes the concatenation of the pieces as one line.
  void writeLine(std::initializer_list<std::string_view> pieces);

  // Writes out the collected lines. Throws as writeLine.
  void flush();

  // Writes out the collected lines and closes the file. Throws as writeLine
  // when the last lines cannot be written; the file is closed all the same.
  void close();

  bool isOpen() const { return file_.isOpen(); }

 private:
  static constexpr size_t BUFFER_LIMIT = 64 * 1024;

  void flushIfFull();

  TextFile file_;
  std::string buffer_;
};

}  // namespace qv
