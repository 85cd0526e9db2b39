// TextOutputFile on what POSIX has: a device that is always full, permission
// bits and symbolic links.
#include "base/text_output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/error.h"
#include "test_support.h"

namespace qv {
namespace {

TEST(File, PositionsAndSizesPastFourGibibytesAreWhole) {
  // A sparse file: no disk space is taken.
  test::TempDir dir;
  const std::string path = dir / "big";
  const uint64_t size = (uint64_t{5} << 30) + 3;
  test::writeFile(path, "");
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0);
  TextFile file;
  ASSERT_TRUE(file.open(path, OpenMode::APPEND));
  EXPECT_EQ(file.size(), size);
  EXPECT_EQ(file.seek(0, SeekOrigin::CURRENT), size);
  EXPECT_EQ(file.seek(-(int64_t{1} << 32), SeekOrigin::END), size - (uint64_t{1} << 32));
  EXPECT_EQ(file.seek(-1, SeekOrigin::START), std::nullopt);
  EXPECT_TRUE(file.writeLine("x"));
  EXPECT_EQ(file.size(), size + 3);
}

TEST(TextOutputFile, AFullDiskFailsTheWriteThatHitsIt) {
  TextOutputFile file;
  ASSERT_NO_THROW(file.open(String("/dev/full"), false, true));
  file.writeLine("line");
  try {
    file.close();
    FAIL() << "closing did not report the full disk";
  } catch (const Exception& e) {
    EXPECT_EQ(e.code(), 112u);
  }
  EXPECT_FALSE(file.isOpen());
}

void writeReport(const std::string& path) {
  TextOutputFile file;
  file.open(String(path.c_str()), false, true);
  file.writeLine("new");
  file.close();
}

mode_t modeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(TextOutputFile, AReplacedFileKeepsItsPermissionBits) {
  test::TempDir dir;
  const std::string path = dir / "out";
  for (mode_t mode : {0600, 0640, 0604, 0755}) {
    SCOPED_TRACE(mode);
    test::writeFile(path, "old");
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    writeReport(path);
    EXPECT_EQ(modeOf(path), mode);
    EXPECT_EQ(test::readFile(path), "new\r\n");
  }
  // A new file gets what the umask leaves of read and write for all.
  mode_t mask = umask(027);
  writeReport(dir / "fresh");
  umask(mask);
  EXPECT_EQ(modeOf(dir / "fresh"), 0640u);
}

TEST(TextOutputFile, ASymbolicLinkIsFollowedAndItsTargetReplaced) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> links;  // link, what it points to
    std::string target;                                      // the file written
  };
  const std::vector<Case> cases = {
      {"absolute", {{"out", "$T/real/target"}}, "real/target"},
      {"relative", {{"out", "real/target"}}, "real/target"},
      {"chain", {{"out", "step"}, {"step", "real/target"}}, "real/target"},
      {"dangling", {{"out", "real/new"}}, "real/new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    test::makeDirs(dir / "real");
    test::writeFile(dir / "real/target", "old");
    for (const auto& link : c.links) {
      std::string to = link.second;
      if (to.rfind("$T", 0) == 0) to = dir.path() + to.substr(2);
      ASSERT_EQ(symlink(to.c_str(), (dir / link.first).c_str()), 0);
    }
    writeReport(dir / "out");
    EXPECT_EQ(test::readFile(dir / c.target), "new\r\n");
    for (const auto& link : c.links) {
      struct stat st;
      ASSERT_EQ(lstat((dir / link.first).c_str(), &st), 0);
      EXPECT_TRUE(S_ISLNK(st.st_mode)) << link.first << " is no longer a link";
    }
    // No temporary file beside the link or the target.
    std::vector<std::string> expected = {"out", "real"};
    if (c.links.size() > 1) expected.push_back("step");
    EXPECT_EQ(test::listDirectory(dir.path()), expected);
  }
}

}  // namespace
}  // namespace qv
