// Both directions of the code page 932 conversion on any bytes.
#include <string>

#include "base/platform.h"
#include "base/platform_posix.h"
#include "fuzz/fuzz.h"

namespace qv::fuzz {

namespace {

bool isUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    size_t length = posix::utf8Length(text, i);
    if (length == 1 && static_cast<unsigned char>(text[i]) >= 0x80) return false;
    i += length;
  }
  return true;
}

}  // namespace

void fuzzOne(const std::string& data) {
  static bool loaded = posix::loadConversionTables();
  require(loaded, "the conversion's tables load");
  std::string cp932, back;
  bool exact = posix::toCp932(data, cp932);
  posix::toUtf8(cp932, back);
  if (exact) require(back == data, "an exact conversion converts back");
  require(isUtf8(back), "UTF-8 out of CP932 is UTF-8");
  // Every lead byte out of the conversion has its trail byte.
  for (size_t i = 0; i < cp932.size(); ++i) {
    if (isLeadByte(static_cast<unsigned char>(cp932[i]))) {
      require(i + 1 < cp932.size(), "a lead byte is followed by a trail byte");
      ++i;
    }
  }
  std::string utf8;
  posix::toUtf8(data, utf8);
  require(isUtf8(utf8), "UTF-8 out of any bytes is UTF-8");
}

}  // namespace qv::fuzz
