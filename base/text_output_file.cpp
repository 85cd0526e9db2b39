#include "base/text_output_file.h"

#include <algorithm>

#include "base/error.h"

namespace qv {

TextOutputFile::~TextOutputFile() {
  if (!buffer_.empty() && file_.isOpen() && !file_.isReplacement()) {
    file_.writeAll(buffer_.data(), static_cast<uint32_t>(buffer_.size()));
  }
  file_.close();
}

void TextOutputFile::open(const Path& path, bool append, bool shareRead) {
  close();
  const NativeString& text = path.native();
  if (!append) {
    // Sharing needs no mode here: nobody else knows the temporary file.
    if (!file_.openReplacement(text)) throwLastError();
    return;
  }
  if (!file_.open(text, shareRead ? OpenMode::APPEND_SHARE_READ : OpenMode::APPEND)) {
    throwLastError();
  }
}

void TextOutputFile::openStandardOutput() {
  close();
  if (!file_.openStandardOutput()) throwLastError();
}

void TextOutputFile::writeLine(const String& line) {
  writeLine({std::string_view(line.cStr())});
}

void TextOutputFile::writeLine(std::initializer_list<std::string_view> pieces) {
  if (!file_.isOpen()) {
    setLastError(CODE_INVALID_HANDLE);
    throwLastError();
  }
  for (std::string_view piece : pieces) buffer_.append(piece);
  buffer_.append(lineEnd_);
  flushIfFull();
}

void TextOutputFile::flushIfFull() {
  if (buffer_.size() >= BUFFER_LIMIT) flush();
}

void TextOutputFile::flush() {
  if (buffer_.empty()) return;
  bool written = file_.writeAll(buffer_.data(), static_cast<uint32_t>(buffer_.size()));
  written_ += buffer_.size();
  buffer_.clear();
  if (!written) throwLastError();
}

void TextOutputFile::patch(uint64_t offset, std::string_view text) {
  // The text may begin in the file and end in the buffer.
  if (offset < written_) {
    size_t inFile = static_cast<size_t>(std::min<uint64_t>(written_ - offset, text.size()));
    if (!file_.writeAt(offset, text.data(), static_cast<uint32_t>(inFile))) throwLastError();
    text.remove_prefix(inFile);
    offset += inFile;
  }
  if (!text.empty()) buffer_.replace(static_cast<size_t>(offset - written_), text.size(), text);
}

void TextOutputFile::close() {
  if (file_.isOpen()) {
    try {
      flush();
    } catch (...) {
      file_.close();
      throw;
    }
    if (!file_.commit()) throwLastError();
  }
  buffer_.clear();
  written_ = 0;
  file_.close();
}

}  // namespace qv
