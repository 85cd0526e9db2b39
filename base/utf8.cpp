#include "base/utf8.h"

namespace qv {

size_t decodeUtf8(std::string_view text, size_t i, uint32_t& ch) {
  unsigned char b = static_cast<unsigned char>(text[i]);
  size_t length;
  uint32_t min;
  if (b < 0x80) {
    ch = b;
    return 1;
  } else if (b >= 0xC2 && b < 0xE0) {
    length = 2, ch = b & 0x1F, min = 0x80;
  } else if (b >= 0xE0 && b < 0xF0) {
    length = 3, ch = b & 0x0F, min = 0x800;
  } else if (b >= 0xF0 && b < 0xF5) {
    length = 4, ch = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    unsigned char c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    ch = ch << 6 | (c & 0x3F);
  }
  if (ch < min || ch > 0x10FFFF || (ch >= 0xD800 && ch < 0xE000)) return 0;
  return length;
}

}  // namespace qv
