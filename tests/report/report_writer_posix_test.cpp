// Whole reports on what only a POSIX file system has: times before 1601,
// symbolic links, paths longer than Windows allows, and names without an exact
// code page 932 form.
#include "report/report_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "report/report_test.h"
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
  writer.options.showTime = 1;
  EXPECT_EQ(generate(shm.path() + "/", dir / "r.out"),
            lines({"[" + shm / "]", "├ 2002/10/14 09:05:03  new", "└ 0000/00/00 00:00:00  old"}));
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
  writer.options.pathList = 1;
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
  // Given through such a directory, the input is found as well.
  EXPECT_EQ(generate(n + "Caf?/"), lines({"[" + n + "Caf?/]", "└[sub]", "　└deep.txt"}));
}

}  // namespace
}  // namespace qv
