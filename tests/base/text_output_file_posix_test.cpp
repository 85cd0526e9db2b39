// TextOutputFile on a device that is always full, which POSIX has.
#include "base/text_output_file.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace qv {
namespace {

uint32_t openCode(TextOutputFile& file, const std::string& path) {
  try {
    file.open(String(path.c_str()), false, true);
  } catch (const Exception& e) {
    return e.code();
  }
  return 0;
}

TEST(TextOutputFile, AFullDiskFailsTheWriteThatHitsIt) {
  TextOutputFile file;
  ASSERT_EQ(openCode(file, "/dev/full"), 0u);
  file.writeLine("line");
  try {
    file.close();
    FAIL() << "closing did not report the full disk";
  } catch (const Exception& e) {
    EXPECT_EQ(e.code(), 112u);
  }
  EXPECT_FALSE(file.isOpen());
}

}  // namespace
}  // namespace qv
