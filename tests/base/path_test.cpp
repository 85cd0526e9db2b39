// The path helpers and the platform's full-path operation under them.
#include "base/path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "base/error.h"
#include "base/platform.h"
#include "test_support.h"

namespace qv {
namespace {

using test::TempDir;

class PathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(saved_, sizeof saved_), nullptr);
    test::makeDirs(dir / "cur/sub");
    test::writeFile(dir / "cur/file.txt");
    ASSERT_EQ(chdir((dir / "cur").c_str()), 0);
  }
  void TearDown() override { ASSERT_EQ(chdir(saved_), 0); }

  static uint32_t codeOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const Exception& e) {
      return e.code();
    }
    return 0;
  }

  TempDir dir;
  char saved_[4096];
};

TEST_F(PathTest, FullPathResolvesDotsAndFoldsSeparators) {
  std::string cur = dir / "cur";
  struct Case {
    const char* path;
    std::string full;
    const char* filePart;  // null: not checked
  } cases[] = {
      {"tree.txt", cur + "/tree.txt", "tree.txt"},
      {"./a//b/../c", cur + "/a/c", "c"},
      {".", cur, "cur"},
      {"..", dir.path(), nullptr},
      {"sub/", cur + "/sub/", nullptr},
      {"/", "/", nullptr},
      {"sub/..", cur, "cur"},
      {"/x/../../y", "/y", "y"},
      {"a\\b", cur + "/a\\b", "a\\b"},
  };
  for (const Case& c : cases) {
    char buffer[4096];
    char* filePart = nullptr;
    uint32_t length = fullPathName(c.path, sizeof buffer, buffer, &filePart);
    ASSERT_GT(length, 0u) << c.path;
    EXPECT_EQ(std::string(buffer), c.full) << c.path;
    if (c.full.back() == '/') {
      EXPECT_EQ(filePart, nullptr) << c.path;
    } else if (c.filePart != nullptr) {
      ASSERT_NE(filePart, nullptr) << c.path;
      EXPECT_STREQ(filePart, c.filePart) << c.path;
    }
  }
}

TEST_F(PathTest, FullPathThatDoesNotFitWritesNothing) {
  char buffer[8] = "";
  EXPECT_EQ(fullPathName("/abcdefghijkl", sizeof buffer, buffer, nullptr), 14u);
  EXPECT_EQ(buffer[0], '\0');
}

TEST_F(PathTest, SplitPathGivesDirectoryAndName) {
  String name;
  String directory = splitPath("file.txt", name, true);
  EXPECT_EQ(directory, (dir / "cur/").c_str());
  EXPECT_EQ(name, "file.txt");
  directory = splitPath("sub/", name, true);
  EXPECT_EQ(directory, (dir / "cur/sub/").c_str());
  EXPECT_EQ(name, "");
  EXPECT_EQ(directoryOf("", false), "");
  EXPECT_EQ(codeOf([] { directoryOf("", true); }), CODE_PATH_NOT_FOUND);
  EXPECT_EQ(codeOf([] { directoryOf("missing/x.txt", true); }), CODE_PATH_NOT_FOUND);
  EXPECT_EQ(directoryOf("missing/x.txt", false), (dir / "cur/missing/").c_str());
}

TEST_F(PathTest, FullPathOfRequiresAFileOrDirectoryWhenAsked) {
  EXPECT_EQ(fullPathOf("", false), "");
  EXPECT_EQ(codeOf([] { fullPathOf("", true); }), CODE_PATH_NOT_FOUND);
  EXPECT_EQ(fullPathOf("file.txt", true), (dir / "cur/file.txt").c_str());
  EXPECT_EQ(fullPathOf("sub", true), (dir / "cur/sub").c_str());
  EXPECT_EQ(fullPathOf("sub/", true), (dir / "cur/sub/").c_str());
  EXPECT_EQ(codeOf([] { fullPathOf("nothing.txt", true); }), CODE_PATH_NOT_FOUND);
  EXPECT_EQ(codeOf([] { fullPathOf(String(std::string(5000, 'a').c_str()), false); }), 206u);
}

TEST_F(PathTest, PathExistsTellsFilesFromDirectories) {
  EXPECT_TRUE(pathExists("file.txt", false));
  EXPECT_FALSE(pathExists("file.txt", true));
  EXPECT_TRUE(pathExists("sub", true));
  EXPECT_FALSE(pathExists("", false));
  EXPECT_FALSE(pathExists("nothing", false));
  EXPECT_EQ(fileAttributes("nothing"), INVALID_ATTRIBUTES);
  EXPECT_EQ(lastError(), CODE_FILE_NOT_FOUND);
  EXPECT_EQ(fileAttributes("none/nothing"), INVALID_ATTRIBUTES);
  EXPECT_EQ(lastError(), CODE_PATH_NOT_FOUND);
}

}  // namespace
}  // namespace qv
