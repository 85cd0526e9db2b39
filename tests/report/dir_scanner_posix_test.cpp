// The POSIX scan does its own find-first matching. A pattern ending in "."
// is checked here only: Windows drops the trailing dot of a name it creates,
// and Wine and NTFS answer such a pattern differently.
#include "report/dir_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A directory read in many blocks, with names that a sort must tell apart
// past their first 16 bytes, by case alone, or as prefixes of each other.
TEST(DirScannerPosix, ALargeDirectoryIsListedInTheOrderOfItsNames) {
  test::TempDir dir;
  std::vector<std::string> names;
  for (int i = 0; i < 1500; ++i) {
    std::string number = std::to_string(i * 7919 % 1500);
    names.push_back("same-sixteen-byte-prefix-" + number);
    names.push_back("Same-Sixteen-Byte-Prefix-" + number);
    names.push_back("s" + number);
    names.push_back(std::string(i % 40 + 1, 'z'));
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  for (const std::string& name : names) test::writeFile(dir / name);
  // Letters compare as upper case, and "-" (0x2D) before the letters and
  // digits; equal folds go by their bytes.
  auto folded = [](std::string text) {
    for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
  };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    std::string x = folded(a), y = folded(b);
    return x != y ? x < y : a < b;
  });
  std::vector<std::string> listed;
  DirScanner scanner;
  for (bool on = scanner.open((dir / "*").c_str(), 0); on; on = scanner.next()) {
    listed.push_back(scanner.name());
  }
  EXPECT_EQ(listed, names);
}

}  // namespace
}  // namespace qv
