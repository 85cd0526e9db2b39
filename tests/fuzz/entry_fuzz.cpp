// What the entry line formatter makes of a name and a number: no byte of a
// name can break or forge a line, in code page 932 or in UTF-8, and sizes
// are grouped. Input: a name; its first 8 bytes are also a size.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/platform.h"
#include "fuzz/fuzz.h"
#include "report/report_writer.h"

namespace qv::fuzz {

void fuzzOne(const std::string& data) {
  std::string shown;
  appendShown(data, shown);
  require(shown.size() == data.size(), "a shown name keeps its length");
  for (unsigned char b : shown) require(b >= 0x20 && b != 0x7F, "no control byte is shown");

  // A UTF-8 report line carries the name's own bytes, shown.
  std::string utf8, line;
  appendNativeAsUtf8(data, utf8);
  require(utf8 == data, "a POSIX name is its own UTF-8");
  appendShownUtf8(utf8, line);
  for (size_t i = 0; i < line.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(line[i]);
    require(b >= 0x20 && b != 0x7F, "no C0 control in a UTF-8 line");
    if (b == 0xC2 && i + 1 < line.size()) {
      unsigned char next = static_cast<unsigned char>(line[i + 1]);
      require(next < 0x80 || next > 0x9F, "no C1 control in a UTF-8 line");
    }
    require(line.compare(i, 3, "\xE2\x80\xA8") != 0 && line.compare(i, 3, "\xE2\x80\xA9") != 0,
            "no line or paragraph separator in a UTF-8 line");
  }

  uint64_t size = 0;
  std::memcpy(&size, data.data(), std::min<size_t>(data.size(), sizeof size));
  std::string grouped;
  appendGrouped(size, grouped);
  std::string digits;
  for (size_t i = 0; i < grouped.size(); ++i) {
    bool comma = (grouped.size() - i) % 4 == 0;
    require(comma ? grouped[i] == ',' : grouped[i] >= '0' && grouped[i] <= '9',
            "a comma after every third digit from the right");
    if (!comma) digits += grouped[i];
  }
  require(digits == std::to_string(size), "the grouped digits are the number");
}

}  // namespace qv::fuzz
