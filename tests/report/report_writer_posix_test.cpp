// Whole reports on what only a POSIX file system has: times before 1601 and
// times in fractions of a second before 1970, symbolic links, paths longer than Windows allows, and
// names without an exact code page 932 form.
#include "report/report_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "base/platform_posix.h"
#include "report/report_test.h"
#include "report/walk_observer.h"
#include "test_support.h"

namespace qv {
namespace {

using test::lines;
using test::makeDirs;
using test::readFile;
using test::SAMPLE_TIME;
using test::TempDir;
using test::writeFile;

using ReportWriterPosixTest = test::ReportTest;

TEST_F(ReportWriterPosixTest, TimeBefore1601ReadsAsAllZero) {
  // ext4 cannot keep a time that old; tmpfs can.
  if (!test::exists("/dev/shm")) GTEST_SKIP() << "no tmpfs at /dev/shm";
  TempDir shm("/dev/shm");
  writeFile(shm / "old");
  test::setModifiedTime(shm / "old", -12000000000LL);  // the year 1589
  writeFile(shm / "new");
  test::setModifiedTime(shm / "new", SAMPLE_TIME);
  writer.options.showTime = true;
  EXPECT_EQ(generate(shm.path() + "/", dir / "r.out"),
            lines({"[" + shm / "]", "├ 2002/10/14 09:05:03  new", "└ 0000/00/00 00:00:00  old"}));
}

// A time no report can show is unknown, and orders after every known one.
TEST_F(ReportWriterPosixTest, TimesBefore1601SortAfterEveryKnownTime) {
  if (!test::exists("/dev/shm")) GTEST_SKIP() << "no tmpfs at /dev/shm";
  TempDir shm("/dev/shm");
  const struct {
    const char* name;
    int64_t seconds;
  } files[] = {{"a-old", -12000000000LL},
               {"b-new", SAMPLE_TIME},
               {"c-older", -13000000000LL},
               {"d-1980", 315532800}};
  for (const auto& file : files) {
    writeFile(shm / file.name);
    test::setModifiedTime(shm / file.name, file.seconds);
  }
  writer.options.order = EntryOrder::TIME;
  EXPECT_EQ(generate(shm.path() + "/", dir / "r.out"),
            lines({"[" + shm / "]", "├d-1980", "├b-new", "├a-old", "└c-older"}));
}

// Half a second before 1970 is still in its second, 08:59:59 in Japan.
TEST_F(ReportWriterPosixTest, TimeBefore1970KeepsItsSecond) {
  makeDirs(dir / "t");
  writeFile(dir / "t/f");
  const struct timespec times[2] = {{0, UTIME_OMIT}, {-1, 500000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "t/f").c_str(), times, 0), 0);
  struct stat st;
  ASSERT_EQ(stat((dir / "t/f").c_str(), &st), 0);
  if (st.st_mtim.tv_sec != -1) GTEST_SKIP() << "the file system cannot hold the time";
  writer.options.showTime = true;
  EXPECT_EQ(generate(dir / "t/"), lines({"[" + dir / "t/]", "└ 1970/01/01 08:59:59  f"}));
  writer.options.format = OutputFormat::JSON;
  EXPECT_NE(generate(dir / "t/").find(R"("time":"1970-01-01T08:59:59+09:00")"), std::string::npos);
}

TEST_F(ReportWriterPosixTest, LinksAreListedAsFilesAndNeverEntered) {
  makeDirs(dir / "l/real");
  writeFile(dir / "l/real/f");
  ASSERT_EQ(symlink("real", (dir / "l/tolink").c_str()), 0);
  ASSERT_EQ(symlink("..", (dir / "l/real/up").c_str()), 0);
  ASSERT_EQ(symlink("loop2", (dir / "l/loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", (dir / "l/loop2").c_str()), 0);
  EXPECT_EQ(generate(dir / "l/"),
            lines({"[" + dir / "l/]", "├[real]", "｜├f", "｜└up", "├loop1", "├loop2", "└tolink"}));
}

TEST_F(ReportWriterPosixTest, DeepTreesKeepTheirDeepestLevel) {
  std::string path = dir / "deep";
  for (int level = 0; level < 320; ++level) path += "/d";
  makeDirs(path);
  writeFile(path + "/bottom.txt");
  writer.options.pathList = true;
  std::string report = generate(dir / "deep/");
  EXPECT_EQ(report, lines({"[" + dir / "deep/]", path + "/bottom.txt"}));
}

TEST_F(ReportWriterPosixTest, NamesWithoutExactCp932FormAreStillFollowed) {
  // Café has no é in code page 932; 〜 (U+301C) has no form of its own; the
  // third name is not UTF-8 at all.
  makeDirs(dir / u8"n/Café/sub");
  writeFile(dir / u8"n/Café/sub/deep.txt");
  makeDirs(dir / u8"n/wave〜dash");
  writeFile(dir / u8"n/wave〜dash/in.txt");
  makeDirs(dir / "n/bad\xff\xfe");
  writeFile(dir / "n/bad\xff\xfe/old.txt");
  std::string n = dir / "n/";
  EXPECT_EQ(generate(n), lines({"[" + n + "]", "├[bad??]", "｜└old.txt", "├[Caf?]", "｜└[sub]",
                                "｜　└deep.txt", "└[wave?dash]", "　└in.txt"}));
}

TEST_F(ReportWriterPosixTest, SiblingsOfOneCp932FormAreEachEnteredAsThemselves) {
  // All five show as "?" or "bad?"; each holds a file of its own.
  const char* names[] = {u8"é", u8"ü", "?", "bad\xff", "bad\xfe"};
  for (const char* name : names) makeDirs(dir / "s/" + name);
  writeFile(dir / u8"s/é/only-e");
  writeFile(dir / u8"s/ü/only-u");
  writeFile(dir / "s/?/only-q");
  writeFile(dir / "s/bad\xff/only-ff");
  writeFile(dir / "s/bad\xfe/only-fe");
  std::string s = dir / "s/";
  writer.options.pathList = true;
  EXPECT_EQ(generate(s), lines({"[" + s + "]", s + "?/only-q", s + "bad?/only-fe",
                                s + "bad?/only-ff", s + "?/only-e", s + "?/only-u"}));
}

TEST_F(ReportWriterPosixTest, PathsLeadToTheBytesTheyCameWith) {
  // The dialog hands on its fields with the bytes typed in them; the report
  // is of the directory field joined with the pattern field.
  const std::string e = u8"é";
  makeDirs(dir / "d/" + e);
  makeDirs(dir / "d/?");
  writeFile(dir / "d/" + e + "/in-e.txt");
  writeFile(dir / "d/?/in-q.txt");
  Path directory = Path::fromNative(dir / "d/" + e + "/");
  Path pattern = Path::fromNative("*.txt");
  Path output = Path::fromNative(dir / "d/" + e + "/r.out");
  writer.generate(output,
                  Path(directory.shown() + pattern.shown(), directory.native() + pattern.native()));
  EXPECT_EQ(readFile(dir / "d/" + e + "/r.out"), lines({"[" + dir / "d/?/]", "└in-e.txt"}));
  EXPECT_FALSE(test::exists(dir / "d/?/r.out"));
}

TEST_F(ReportWriterPosixTest, ADirectorySwappedForALinkIsNotFollowed) {
  // Listed as a directory, it is a link to one outside the tree by the time
  // the walk gets to it.
  makeDirs(dir / "outside");
  writeFile(dir / "outside/secret.txt");
  makeDirs(dir / "t/sub");
  writeFile(dir / "t/sub/own.txt");
  writeFile(dir / "t/z.txt");
  std::string t = dir / "t/";
  struct SwapForLink : WalkObserver {
    void enteringDirectory(const String& directory) override {
      ++calls;
      EXPECT_EQ(std::string(directory.cStr()), t + "sub/");
      ASSERT_EQ(rename((t + "sub").c_str(), moved.c_str()), 0);
      ASSERT_EQ(symlink(outside.c_str(), (t + "sub").c_str()), 0);
    }
    std::string t, moved, outside;
    int calls = 0;
  } swap;
  swap.t = t;
  swap.moved = dir / "moved";
  swap.outside = dir / "outside";
  writer.setObserver(&swap);
  EXPECT_EQ(generate(t), lines({"[" + t + "]", "├[sub]", "└z.txt"}));
  writer.setObserver(nullptr);
  EXPECT_EQ(swap.calls, 1);
}

TEST_F(ReportWriterPosixTest, ControlCharactersInNamesShowAsQuestionMarks) {
  // A name that would end the line and forge another one.
  std::string forged = std::string("x.txt\r\n") + u8"└[fake]";
  makeDirs(dir / "c/" + forged);
  writeFile(dir / "c/" + forged + "/in.txt");
  writeFile(dir / "c/tab\there\x7f\x01");
  std::string c = dir / "c/";
  EXPECT_EQ(generate(c), lines({"[" + c + "]", "├[x.txt??└[fake]]", "｜└in.txt", "└tab?here??"}));
  writer.options.pathList = true;
  writer.options.fileUrl = true;
  EXPECT_EQ(generate(c), lines({"[" + c + "]",
                                c + "x.txt??└[fake]/in.txt  file://" + c + "x.txt??└[fake]/in.txt",
                                c + "tab?here??  file://" + c + "tab?here??"}));
}

TEST_F(ReportWriterPosixTest, TimesTooLateForTheConversionReadAsAllZero) {
  if (!test::exists("/dev/shm")) GTEST_SKIP() << "no tmpfs at /dev/shm";
  TempDir shm("/dev/shm");
  writeFile(shm / "late");
  test::setModifiedTime(shm / "late", int64_t{1} << 62);
  struct stat st;
  ASSERT_EQ(stat((shm / "late").c_str(), &st), 0);
  if (st.st_mtime != int64_t{1} << 62) GTEST_SKIP() << "the file system cannot hold the time";
  writer.options.showTime = true;
  EXPECT_EQ(generate(shm.path() + "/", dir / "r.out"),
            lines({"[" + shm / "]", "└ 0000/00/00 00:00:00  late"}));
}

// Makes the directories of relative under base by descriptors, so that the
// whole may be longer than a path can be; returns the deepest one's descriptor.
int makeDirsAt(const std::string& base, const std::string& relative) {
  int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY);
  size_t start = 0;
  while (fd >= 0 && start < relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    std::string name = relative.substr(start, end - start);
    mkdirat(fd, name.c_str(), 0777);
    int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = child;
    start = end + 1;
  }
  return fd;
}

TEST_F(ReportWriterPosixTest, DirectoriesAtThePathLimitKeepTheirPathInEveryLine) {
  writer.options.pathList = true;
  writer.options.fileUrl = true;
  for (size_t length : {4092u, 4093u, 4094u, 4095u}) {
    // Components of up to 200 bytes make the directory's path length bytes.
    std::string top = dir / "L" + std::to_string(length);
    std::string relative;
    size_t total = top.size();
    while (total < length) {
      size_t part = std::min<size_t>(200, length - total - 1);
      if (length - total - 1 - part == 1) --part;  // no part of 0 bytes later
      relative += (relative.empty() ? "" : "/") + std::string(part, 'd');
      total += part + 1;
    }
    std::string deepest = top + "/" + relative;
    ASSERT_EQ(deepest.size(), length);
    makeDirs(top);
    int fd = makeDirsAt(top, relative);
    ASSERT_GE(fd, 0);
    int file = openat(fd, "F.txt", O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(file, 0);
    close(file);
    close(fd);
    std::string line = deepest + "/F.txt";
    EXPECT_EQ(generate(top + "/"), lines({"[" + top + "/]", line + "  file://" + line})) << length;
  }
}

}  // namespace
}  // namespace qv
