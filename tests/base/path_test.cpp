// The path helpers and the platform's split of a path under them.
#include "base/path.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "base/platform.h"
#include "test_support.h"

namespace qv {
namespace {

using test::TempDir;

class PathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = test::currentDirectory();
    ASSERT_FALSE(saved_.empty());
    test::makeDirs(dir / "cur/sub");
    test::writeFile(dir / "cur/file.txt");
    ASSERT_TRUE(test::changeDirectory(dir / "cur"));
  }
  void TearDown() override { ASSERT_TRUE(test::changeDirectory(saved_)); }

  // The root of the file system the temporary directory is on: "/" or "C:\".
  std::string root() const { return dir.path().substr(0, dir.path().find(test::SEPARATOR) + 1); }

  static uint32_t codeOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const Exception& e) {
      return e.code();
    }
    return 0;
  }

  TempDir dir;
  std::string saved_;
};

TEST_F(PathTest, SplitAbsoluteResolvesDotsAndFoldsSeparators) {
  const std::string cur = dir / "cur";
  const std::string s = test::SEPARATOR;
  const std::string parent = dir.path().substr(0, dir.path().rfind(s) + 1);
  // A backslash is a separator on Windows and an ordinary byte on POSIX.
  const bool posix = s == "/";
  struct Case {
    std::string path;
    std::string directory;
    std::string name;
  } cases[] = {
      {"tree.txt", cur + s, "tree.txt"},
      {"./a//b/../c", cur + s + "a" + s, "c"},
      {".", dir.path() + s, "cur"},
      {"..", parent, dir.path().substr(parent.size())},
      {"sub/", cur + s + "sub" + s, ""},
      {"/", root(), ""},
      {"sub/..", dir.path() + s, "cur"},
      {"/x/../../y", root(), "y"},
      {"a\\b", posix ? cur + s : cur + s + "a" + s, posix ? "a\\b" : "b"},
      // 表 ends in the byte of "\\" in code page 932.
      {"表", cur + s, "表"},
      {"表/ソ", cur + s + "表" + s, "ソ"},
  };
  for (const Case& c : cases) {
    // Written with the platform's separator: Wine reads a path that starts
    // with "/" as one of the host's.
    const std::string path = test::sep(c.path);
    String directory, name;
    ASSERT_TRUE(splitAbsolute(path.c_str(), directory, name)) << path;
    EXPECT_EQ(std::string(directory.cStr()), c.directory) << path;
    EXPECT_EQ(std::string(name.cStr()), c.name) << path;
  }
}

TEST_F(PathTest, SplitPathGivesDirectoryAndName) {
  String name;
  String directory = splitPath("file.txt", name, true);
  EXPECT_EQ(directory, (dir / "cur/").c_str());
  EXPECT_EQ(name, "file.txt");
  directory = splitPath(test::sep("sub/").c_str(), name, true);
  EXPECT_EQ(directory, (dir / "cur/sub/").c_str());
  EXPECT_EQ(name, "");
  EXPECT_EQ(directoryOf("", false), "");
  EXPECT_EQ(codeOf([] { directoryOf("", true); }), CODE_PATH_NOT_FOUND);
  EXPECT_EQ(codeOf([] { directoryOf("missing/x.txt", true); }), CODE_PATH_NOT_FOUND);
  EXPECT_EQ(directoryOf(test::sep("missing/x.txt").c_str(), false), (dir / "cur/missing/").c_str());
}

TEST_F(PathTest, FullPathOfRequiresAFileOrDirectoryWhenAsked) {
  EXPECT_EQ(fullPathOf("", false), "");
  EXPECT_EQ(codeOf([] { fullPathOf("", true); }), CODE_PATH_NOT_FOUND);
  EXPECT_EQ(fullPathOf("file.txt", true), (dir / "cur/file.txt").c_str());
  EXPECT_EQ(fullPathOf("sub", true), (dir / "cur/sub").c_str());
  EXPECT_EQ(fullPathOf(test::sep("sub/").c_str(), true), (dir / "cur/sub/").c_str());
  EXPECT_EQ(codeOf([] { fullPathOf("nothing.txt", true); }), CODE_PATH_NOT_FOUND);
  EXPECT_EQ(codeOf([] { fullPathOf(String(std::string(5000, 'a').c_str()), false); }), 206u);
}

TEST_F(PathTest, SplitAbsoluteTakesTheLongestPathThatFitsAndNoLonger) {
  const std::string directory = dir / "cur" + test::SEPARATOR;
  const size_t fits = static_cast<size_t>(MAX_PATH_BYTES) - 1 - directory.size();
  String head, name;
  ASSERT_TRUE(splitAbsolute(std::string(fits, 'n').c_str(), head, name));
  EXPECT_EQ(head, directory.c_str());
  EXPECT_EQ(name.length(), static_cast<int>(fits));
  EXPECT_FALSE(splitAbsolute(std::string(fits + 1, 'n').c_str(), head, name));
  EXPECT_EQ(lastError(), CODE_FILENAME_TOO_LONG);
  EXPECT_EQ(head, "");
  EXPECT_EQ(name, "");
}

TEST_F(PathTest, PathExistsTellsFilesFromDirectories) {
  EXPECT_TRUE(pathExists("file.txt", false));
  EXPECT_FALSE(pathExists("file.txt", true));
  EXPECT_TRUE(pathExists("sub", true));
  EXPECT_FALSE(pathExists("", false));
  EXPECT_FALSE(pathExists("nothing", false));
  EXPECT_EQ(fileAttributes(nativeOf("nothing")), INVALID_ATTRIBUTES);
  EXPECT_EQ(lastError(), CODE_FILE_NOT_FOUND);
  EXPECT_EQ(fileAttributes(nativeOf("none/nothing")), INVALID_ATTRIBUTES);
  EXPECT_EQ(lastError(), CODE_PATH_NOT_FOUND);
}

}  // namespace
}  // namespace qv
