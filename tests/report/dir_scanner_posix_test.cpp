// The POSIX scan does its own find-first matching. A pattern ending in "."
// is checked here only: Windows drops the trailing dot of a name it creates,
// and Wine and NTFS answer such a pattern differently.
#include "report/dir_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace qv {
namespace {

TEST(DirScannerPosix, PatternEndingInDotMatchesNamesWithoutDot) {
  test::TempDir dir;
  for (const char* name : {"readme", "readme.txt", "a.b.c", "x", "xy", "noext."}) {
    test::writeFile(dir / name);
  }
  std::vector<std::string> names;
  DirScanner scanner;
  for (bool on = scanner.open((dir / "*.").c_str(), 0); on; on = scanner.next()) {
    names.push_back(scanner.name());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"readme", "x", "xy"}));
}

}  // namespace
}  // namespace qv
