// Whole reports written by ReportWriter::generate on real directories, checked
// byte for byte. Listings come in the order of an NTFS directory, which
// Windows and Wine give and the POSIX scan sorts into; names that differ only
// in case are two entries only where the file system keeps them apart.
#include "report/report_writer.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "report/report_test.h"
#include "test_support.h"

namespace qv {
namespace {

using test::lines;
using test::makeDirs;
using test::native;
using test::readFile;
using test::SAMPLE_TIME;
using test::sep;
using test::TempDir;
using test::writeFile;

class ReportWriterTest : public test::ReportTest {
 protected:
  // The tree of the first example: bin (x86 with t.exe, run.exe), lib (m.c, n.c).
  void makeProjectTree() {
    makeDirs(dir / "p/bin/x86");
    makeDirs(dir / "p/lib");
    writeFile(dir / "p/bin/x86/t.exe");
    writeFile(dir / "p/bin/run.exe");
    writeFile(dir / "p/lib/m.c");
    writeFile(dir / "p/lib/n.c");
  }
};

TEST_F(ReportWriterTest, TreeOfNestedDirectoriesUsesGlyphsAndCrLf) {
  makeProjectTree();
  EXPECT_EQ(generate(dir / "p/"), lines({"[" + dir / "p/]", "├[bin]", "｜├[x86]", "｜｜└t.exe",
                                         "｜└run.exe", "└[lib]", "　├m.c", "　└n.c"}));
  // The glyphs as bytes: the fourth and seventh lines.
  std::string report = generate(dir / "p/");
  EXPECT_NE(report.find("\x81\x62\x81\x62\x84\xA4t.exe\r\n"), std::string::npos);
  EXPECT_NE(report.find("\x81\x40\x84\xA5m.c\r\n"), std::string::npos);
  EXPECT_NE(report.substr(0, 3), "\xEF\xBB\xBF");
}

TEST_F(ReportWriterTest, PathListHasOneFullPathPerFileDeepestFirst) {
  makeProjectTree();
  writer.options.pathList = true;
  std::string p = dir / "p/";
  EXPECT_EQ(generate(p), lines({"[" + p + "]", p + sep("bin/x86/t.exe"), p + sep("bin/run.exe"),
                                p + sep("lib/m.c"), p + sep("lib/n.c")}));
}

TEST_F(ReportWriterTest, LeftOutEntriesDoNotCountForTheLastGlyph) {
  makeDirs(dir / "w/doc");
  makeDirs(dir / "w/src/.old");
  test::markHidden(dir / "w/src/.old");
  writeFile(dir / "w/src/.old/gone.c");
  writeFile(dir / "w/src/a.c");
  writeFile(dir / "w/src/b.h");
  writeFile(dir / "w/readme.txt");
  writeFile(dir / "w/.tmp.bak");
  test::markHidden(dir / "w/.tmp.bak");
  writeFile(dir / "w/x.bin");
  EXPECT_EQ(generate(dir / "w/"), lines({"[" + dir / "w/]", "├[doc]", "├[src]", "｜├a.c", "｜└b.h",
                                         "├readme.txt", "└x.bin"}));
}

TEST_F(ReportWriterTest, HiddenAndSystemEntriesFollowTheMask) {
  makeDirs(dir / "m/.hid");
  test::markHidden(dir / "m/.hid");
  writeFile(dir / "m/.hid/in.txt");
  writeFile(dir / "m/.dot");
  test::markHidden(dir / "m/.dot");
  test::makeSystemEntry(dir / "m/pipe");
  writeFile(dir / "m/plain");
  std::string header = "[" + dir / "m/]";
  struct Case {
    uint32_t mask;
    std::string report;
  } cases[] = {
      {6, lines({header, "└plain"})},
      {4, lines({header, "├[.hid]", "｜└in.txt", "├.dot", "└plain"})},
      {0, lines({header, "├[.hid]", "｜└in.txt", "├.dot", "├pipe", "└plain"})},
  };
  for (const Case& c : cases) {
    writer.options.skipAttributes = c.mask;
    EXPECT_EQ(generate(dir / "m/"), c.report) << "mask " << c.mask;
  }
}

TEST_F(ReportWriterTest, ColumnsLineUpWithEveryOptionOn) {
  makeDirs(dir / "w/src");
  writeFile(dir / "w/readme.txt", std::string(1234, 'x'));
  test::setModifiedTime(dir / "w/readme.txt", SAMPLE_TIME);
  writer.options.showSize = true;
  writer.options.showTime = true;
  writer.options.showAttributes = true;
  writer.options.fileUrl = true;
  std::string w = dir / "w/";
  EXPECT_EQ(generate(w), lines({"[" + w + "]", "├[src]",
                                "└          1,234  2002/10/14 09:05:03  A  readme.txt  file://" +
                                    w + "readme.txt"}));
  writer.options.pathList = true;
  EXPECT_EQ(generate(w), lines({"[" + w + "]", "          1,234  2002/10/14 09:05:03  A  " + w +
                                                   "readme.txt  file://" + w + "readme.txt"}));
}

TEST_F(ReportWriterTest, EachColumnAloneAndItsEdges) {
  makeDirs(dir / "c");
  writeFile(dir / "c/empty");
  writeFile(dir / "c/ro", "x");
  test::makeReadOnly(dir / "c/ro");
  writeFile(dir / "c/.h", "x");
  test::markHidden(dir / "c/.h");
  writer.options.skipAttributes = 0;
  std::string header = "[" + dir / "c/]";
  struct Case {
    bool ReportOptions::*option;
    std::vector<std::string> body;
  } cases[] = {
      {&ReportOptions::showSize,
       {"├              1  .h", "├              0  empty", "└              1  ro"}},
      {&ReportOptions::showAttributes, {"├ HA  .h", "├ A  empty", "└ RA  ro"}},
      {&ReportOptions::fileUrl,
       {"├.h  file://" + dir / "c/.h", "├empty  file://" + dir / "c/empty",
        "└ro  file://" + dir / "c/ro"}},
  };
  for (const Case& c : cases) {
    ReportOptions defaults;
    defaults.skipAttributes = 0;
    writer.options = defaults;
    writer.options.*c.option = true;
    std::vector<std::string> expected = {header};
    expected.insert(expected.end(), c.body.begin(), c.body.end());
    EXPECT_EQ(generate(dir / "c/"), lines(expected));
  }
}

TEST_F(ReportWriterTest, SizesOf4GiBAndMoreAreShownInFull) {
  makeDirs(dir / "big");
  struct Case {
    const char* name;
    int64_t size;
    const char* column;
  } cases[] = {
      {"a", 4294967296LL, " 4,294,967,296  "},
      {"b", 5000000000LL, " 5,000,000,000  "},
      {"c", 99999999999LL, "99,999,999,999  "},
      {"d", 100000000000LL, "100,000,000,000  "},
  };
  for (const Case& c : cases) {
    // Sparse: no blocks are written.
    writeFile(dir / "big/" + c.name);
    test::setFileSize(dir / "big/" + c.name, c.size);
  }
  writer.options.showSize = true;
  std::string report = generate(dir / "big/");
  for (const Case& c : cases) {
    EXPECT_NE(report.find(std::string(" ") + c.column + c.name + "\r\n"), std::string::npos)
        << c.name << " in\n"
        << report;
  }
}

TEST_F(ReportWriterTest, InputSpecIsSplitIntoDirectoryAndPattern) {
  makeDirs(dir / "cur/sub");
  writeFile(dir / "cur/sub/a.c");
  writeFile(dir / "cur/sub/b.h");
  writeFile(dir / "cur/sub/cur");
  writeFile(dir / "cur/cur");
  writeFile(dir / "cur/x.txt");
  test::CurrentDirectoryScope inCur(dir / "cur");
  ASSERT_TRUE(inCur.changed());
  std::string cur = dir / "cur/";
  std::vector<std::string> everything = {"├[sub]", "｜├a.c", "｜├b.h", "｜└cur", "├cur", "└x.txt"};
  // Listing the parent with the pattern "cur" finds the two files of that name.
  std::vector<std::string> namedCur = {"└[cur]", "　├[sub]", "　｜└cur", "　└cur"};
  struct Case {
    std::string input;
    std::string directory;
    std::vector<std::string> body;
  } cases[] = {
      {"", cur, everything},
      {cur, cur, everything},
      {cur + "*.txt", cur, {"├[sub]", "└x.txt"}},
      {dir / "cur", dir.path() + test::SEPARATOR, namedCur},
      {".", dir.path() + test::SEPARATOR, namedCur},
      {sep("sub/*.c"), dir / "cur/sub/", {"└a.c"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> expected = {"[" + c.directory + "]"};
    expected.insert(expected.end(), c.body.begin(), c.body.end());
    EXPECT_EQ(generate(c.input, dir / "r.out"), lines(expected)) << "input '" << c.input << "'";
  }
}

TEST_F(ReportWriterTest, DirectoryWithoutSeparatorSelectsFilesOfThatName) {
  makeDirs(dir / "top/w/inner");
  writeFile(dir / "top/w/inner/w");
  writeFile(dir / "top/w/other");
  writeFile(dir / "top/other");
  std::string top = dir / "top/";
  EXPECT_EQ(generate(dir / "top/w"), lines({"[" + top + "]", "└[w]", "　└[inner]", "　　└w"}));
}

TEST_F(ReportWriterTest, EmptyDirectoryGivesTheHeaderAlone) {
  makeDirs(dir / "e");
  EXPECT_EQ(generate(dir / "e/"), lines({"[" + dir / "e/]"}));
  makeDirs(dir / "d/only/below");
  writer.options.pathList = true;
  EXPECT_EQ(generate(dir / "d/"), lines({"[" + dir / "d/]"}));
}

TEST_F(ReportWriterTest, PatternSelectsFilesButEveryDirectoryIsEntered) {
  makeDirs(dir / "q/none");
  makeDirs(dir / "q/some");
  writeFile(dir / "q/some/a.txt");
  writeFile(dir / "q/some/b.bin");
  writeFile(dir / "q/z.bin");
  EXPECT_EQ(generate(dir / "q/*.txt"),
            lines({"[" + dir / "q/]", "├[none]", "└[some]", "　└a.txt"}));
  EXPECT_EQ(generate(dir / "q/*.none"), lines({"[" + dir / "q/]", "├[none]", "└[some]"}));
}

TEST_F(ReportWriterTest, NamesWithBackslashTrailBytesComeOutWhole) {
  // 表, ソ and 能 end in the byte 0x5C in code page 932.
  makeDirs(dir / native("j/表計算"));
  writeFile(dir / native("j/表計算/ソース.txt"), "12345");
  writeFile(dir / native("j/能力"), "1");
  test::setModifiedTime(dir / native("j/能力"), SAMPLE_TIME);
  std::string j = dir / "j/";
  EXPECT_EQ(generate(j), lines({"[" + j + "]", "├[表計算]", "｜└ソース.txt", "└能力"}));
  writer.options.pathList = true;
  EXPECT_EQ(generate(j), lines({"[" + j + "]", j + sep("表計算/ソース.txt"), j + "能力"}));
  // Their details are read through the native name.
  writer.options.showSize = true;
  writer.options.showTime = true;
  writer.options.fileUrl = true;
  std::string report = generate(j);
  EXPECT_NE(report.find("              5  "), std::string::npos) << report;
  EXPECT_NE(
      report.find("              1  2002/10/14 09:05:03  " + j + "能力  file://" + j + "能力\r\n"),
      std::string::npos);
}

TEST_F(ReportWriterTest, JapaneseNamesAreListedInTheOrderOfTheirNativeBytes) {
  // α is CE B1 in UTF-8 and 83 BF in code page 932; あ is E3 81 82 and 82 A0:
  // the two encodings order them differently.
  makeDirs(dir / "k");
  for (const char* name : {"あ", "α", "z"}) writeFile(dir / native(std::string("k/") + name));
  EXPECT_EQ(generate(dir / "k/"), lines({"[" + dir / "k/]", "├z", "├α", "└あ"}));
}

TEST_F(ReportWriterTest, ListingOrderFoldsAsciiCaseAndPutsSubdirectoriesFirst) {
  makeDirs(dir / "o/Zeta");
  makeDirs(dir / "o/alpha");
  for (const char* name : {"b", "B", "a_", "A1", "_x", "10", "9"}) writeFile(dir / "o/" + name);
  std::vector<std::string> expected = {
      "[" + dir / "o/]", "├[alpha]", "├[Zeta]", "├10", "├9", "├A1", "├a_", "├B", "├b", "└_x"};
  // Where case does not tell names apart, "B" was the file "b" written again.
  if (!test::CASE_SENSITIVE_NAMES) expected.erase(expected.begin() + 7);
  EXPECT_EQ(generate(dir / "o/"), lines(expected));
}

TEST_F(ReportWriterTest, OutputInsideTheTreeIsListedAndReplacedNotAppended) {
  makeDirs(dir / "t");
  writeFile(dir / "t/a");
  writeFile(dir / "t/zz.txt", "old content that is much longer than the report\r\n");
  std::string report = generate(dir / "t/", dir / "t/zz.txt");
  EXPECT_EQ(report, lines({"[" + dir / "t/]", "├a", "└zz.txt"}));
}

TEST_F(ReportWriterTest, MissingInputLeavesTheOutputUntouched) {
  writeFile(dir / "keep.txt", "keep");
  try {
    writer.generate(String((dir / "keep.txt").c_str()), String((dir / "missing/").c_str()));
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.code(), CODE_PATH_NOT_FOUND);
  }
  EXPECT_EQ(readFile(dir / "keep.txt"), "keep");
}

}  // namespace
}  // namespace qv
