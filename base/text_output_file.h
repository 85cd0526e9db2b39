// TextOutputFile is the report file: lines of text, each followed by CR LF
// (or the line end set for it), nothing before the first line. It holds a TextFile and turns every
// failure into an Exception carrying the platform's last error code.
//
// A file that is not appended to is replaced whole: the lines go to a
// temporary file beside it, which close() puts in its place. Until then the
// old file stays as it was, and a TextOutputFile destroyed without close()
// (a failed or interrupted report) removes the temporary file. A pipe or
// device is written in place instead, as is a file opened for appending.
//
// Lines are collected in a bounded buffer and written in blocks; a file
// written in place gets what is left when its owner goes away without
// close(), so that the lines written before a failure stay in it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/file.h"
#include "base/path.h"
#include "base/string.h"

namespace qv {

class TextOutputFile {
 public:
  TextOutputFile() = default;
  TextOutputFile(const TextOutputFile&) = delete;
  TextOutputFile& operator=(const TextOutputFile&) = delete;
  virtual ~TextOutputFile();

  // Closes, then opens path: append adds to the content, else the file is
  // replaced whole by close(); shareRead lets others read it meanwhile.
  // Throws Exception with the last error code on failure.
  void open(const Path& path, bool append, bool shareRead);

  // Closes, then writes to the process's standard output. Throws Exception
  // with the last error code when there is none.
  void openStandardOutput();

  // The bytes written after each line from now on; CR LF until set.
  void setLineEnd(std::string_view lineEnd) { lineEnd_ = lineEnd; }

  // Writes line and the line end. Throws Exception with the last error code when a
  // write fails.
  void writeLine(const String& line);

  // Writes the concatenation of the pieces as one line.
  void writeLine(std::initializer_list<std::string_view> pieces);

  // Writes out the collected lines. Throws as writeLine.
  void flush();

  // The number of bytes written so far, the collected lines included.
  uint64_t position() const { return written_ + buffer_.size(); }

  // True when text already written can be replaced by patch(): the report
  // grows in a temporary file, not in a pipe or device.
  bool canPatch() const { return file_.isReplacement(); }

  // Replaces the bytes at offset (below position()) by text, of the same
  // length. Throws as writeLine when that fails.
  void patch(uint64_t offset, std::string_view text);

  // Writes out the collected lines, closes the file and puts a replacement in
  // its place. Throws as writeLine when that fails; the file is closed all
  // the same and a replacement discarded.
  void close();

  bool isOpen() const { return file_.isOpen(); }

 private:
  static constexpr size_t BUFFER_LIMIT = 64 * 1024;

  void flushIfFull();

  TextFile file_;
  std::string buffer_;
  uint64_t written_ = 0;  // bytes that have left the buffer
  std::string lineEnd_ = "\r\n";
};

}  // namespace qv
