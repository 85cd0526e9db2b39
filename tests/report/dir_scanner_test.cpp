// DirScanner over the real platform scan, in a temporary directory.
#include "report/dir_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace qv {
namespace {

using test::makeDirs;
using test::TempDir;
using test::writeFile;

class DirScannerTest : public ::testing::Test {
 protected:
  // Every name the scanner yields for path, in order.
  std::vector<std::string> names(const std::string& path, uint32_t required = 0) {
    std::vector<std::string> result;
    DirScanner scanner;
    for (bool on = scanner.open(path.c_str(), required); on; on = scanner.next()) {
      result.push_back(scanner.name());
    }
    return result;
  }

  TempDir dir;
};

TEST_F(DirScannerTest, MissingDirectoryFailsWithPathNotFound) {
  DirScanner scanner;
  setLastError(0);
  EXPECT_FALSE(scanner.open((dir / "missing/*.*").c_str(), 0));
  EXPECT_EQ(lastError(), CODE_PATH_NOT_FOUND);
  EXPECT_FALSE(scanner.isValid());
  EXPECT_EQ(lastError(), CODE_INVALID_HANDLE);
  writeFile(dir / "file");
  EXPECT_FALSE(scanner.open((dir / "file/*.*").c_str(), 0));
  // The system's own reason on Windows: 267 (not a directory) on NTFS, 123
  // (bad name) under Wine.
  uint32_t code = lastError();
  EXPECT_TRUE(code == CODE_PATH_NOT_FOUND ||
              (std::string(test::SEPARATOR) == "\\" && (code == 123 || code == 267)))
      << code;
}

// The walk tells a directory with nothing to list from one it cannot read by
// these two codes.
TEST_F(DirScannerTest, NothingToYieldFailsWithTheCodeOfNothingFound) {
  makeDirs(dir / "files");
  writeFile(dir / "files/a.txt");
  makeDirs(dir / "empty");
  struct Case {
    const char* path;
    uint32_t required;
    uint32_t code;
  } cases[] = {
      {"files/*.c", 0, CODE_FILE_NOT_FOUND},
      {"empty/*.*", 0, CODE_FILE_NOT_FOUND},
      {"empty/*", 0, CODE_FILE_NOT_FOUND},
      {"empty/*.*", ATTRIBUTE_DIRECTORY, CODE_FILE_NOT_FOUND},
      {"files/*.*", ATTRIBUTE_DIRECTORY, CODE_NO_MORE_FILES},
  };
  for (const Case& c : cases) {
    DirScanner scanner;
    setLastError(0);
    EXPECT_FALSE(scanner.open((dir / c.path).c_str(), c.required)) << c.path;
    EXPECT_EQ(lastError(), c.code) << c.path;
  }
}

TEST_F(DirScannerTest, DirectoryScanListsItsEntriesInOrderWithoutDots) {
  makeDirs(dir / "sub");
  writeFile(dir / "b");
  writeFile(dir / "A");
  EXPECT_EQ(names(dir / "*.*"), (std::vector<std::string>{"A", "b", "sub"}));
}

TEST_F(DirScannerTest, FilterYieldsOnlyDirectories) {
  writeFile(dir / "a");
  writeFile(dir / "b");
  makeDirs(dir / "c");
  writeFile(dir / "d");
  makeDirs(dir / "e");
  EXPECT_EQ(names(dir / "*.*", ATTRIBUTE_DIRECTORY), (std::vector<std::string>{"c", "e"}));
}

TEST_F(DirScannerTest, WildcardMatchingFollowsFindFirstRules) {
  for (const char* name :
       {"readme", "readme.txt", "README.md", "a.b.c", "x", "xy", "表.txt", "ab.txt"}) {
    writeFile(dir / test::native(name));
  }
  struct Case {
    const char* pattern;
    std::vector<std::string> names;
  } cases[] = {
      {"readme.*", {"readme", "README.md", "readme.txt"}},
      {"*.TXT", {"ab.txt", "readme.txt", "表.txt"}},
      {"?", {"x"}},
      {"??", {"xy"}},
      {"?.txt", {"表.txt"}},
      {"a*c", {"a.b.c"}},
      {"*y", {"xy"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(names(dir / c.pattern), c.names) << c.pattern;
  }
}

TEST_F(DirScannerTest, ManyStarsEndInTime) {
  writeFile(dir / std::string(200, 'a'));
  std::string stars;
  for (int i = 0; i < 40; ++i) stars += "*a";
  EXPECT_TRUE(names(dir / (stars + "b")).empty());
  EXPECT_EQ(names(dir / (stars + "*")).size(), 1u);
}

TEST_F(DirScannerTest, RequiredAttributeSkipsLeadingFiles) {
  for (const char* name : {"a", "b", "c"}) writeFile(dir / name);
  makeDirs(dir / "z");
  DirScanner scanner;
  ASSERT_TRUE(scanner.open((dir / "?").c_str(), ATTRIBUTE_DIRECTORY));
  EXPECT_STREQ(scanner.name(), "z");
  ASSERT_TRUE(scanner.open((dir / "z*").c_str(), ATTRIBUTE_DIRECTORY));
  EXPECT_STREQ(scanner.name(), "z");
}

TEST_F(DirScannerTest, AfterTheLastEntryNextKeepsFailing) {
  writeFile(dir / "only");
  DirScanner scanner;
  ASSERT_TRUE(scanner.open((dir / "only").c_str(), 0));
  EXPECT_FALSE(scanner.next());
  EXPECT_FALSE(scanner.next());
  EXPECT_EQ(lastError(), CODE_INVALID_HANDLE);
  EXPECT_STREQ(scanner.name(), "");
  EXPECT_EQ(scanner.directory().length(), 0);
  EXPECT_EQ(scanner.attributes(), 0u);
  EXPECT_EQ(scanner.size(), 0u);
}

TEST_F(DirScannerTest, EntryReportsSizeAttributesTimeAndDirectory) {
  writeFile(dir / "big");
  test::setFileSize(dir / "big", 5000000000LL);
  test::setModifiedTime(dir / "big", 1034553903);  // 2002-10-14 00:05:03 UTC
  ASSERT_TRUE(test::useJapanTime());
  DirScanner scanner;
  ASSERT_TRUE(scanner.open((dir / "big").c_str(), 0));
  EXPECT_EQ(scanner.size(), 5000000000ULL);
  EXPECT_EQ(scanner.attributes(), ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(std::string(scanner.directory().cStr()), dir.path() + test::SEPARATOR);
  SystemTime t;
  ASSERT_TRUE(scanner.time(t, FileTimeKind::LastWrite));
  EXPECT_EQ(t.year, 2002);
  EXPECT_EQ(t.month, 10);
  EXPECT_EQ(t.day, 14);
  EXPECT_EQ(t.hour, 9);
  EXPECT_EQ(t.minute, 5);
  EXPECT_EQ(t.second, 3);
  EXPECT_FALSE(scanner.time(t, static_cast<FileTimeKind>(3)));
  EXPECT_EQ(t.year, 0);
  EXPECT_EQ(t.month, 0);
}

TEST_F(DirScannerTest, RelativePathsUseTheCurrentDirectory) {
  writeFile(dir / "f");
  test::CurrentDirectoryScope inDir(dir.path());
  ASSERT_TRUE(inDir.changed());
  DirScanner scanner;
  EXPECT_TRUE(scanner.open("f", 0));
  EXPECT_EQ(std::string(scanner.directory().cStr()), dir.path() + test::SEPARATOR);
}

}  // namespace
}  // namespace qv
