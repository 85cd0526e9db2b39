#include "base/file.h"

#include <cstring>

namespace qv {

bool TextFile::writeLine(const char* text) {
  if (!seekToEnd()) return false;
  uint32_t written = 0;
  if (!write(text, static_cast<uint32_t>(std::strlen(text)), &written)) return false;
  return write("\r\n", 2, &written);
}

bool TextFile::writeAll(const char* data, uint32_t length) {
  while (length > 0) {
    uint32_t written = 0;
    if (!write(data, length, &written)) return false;
    data += written;
    length -= written;
  }
  return true;
}

}  // namespace qv
