// Whole reports with the command line's later options: names left out by
// exclude, the depth limit, the summary line, LF line ends and UTF-8 text,
// checked byte for byte on real directories.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/report_test.h"
#include "report/report_writer.h"
#include "test_support.h"

namespace qv {
namespace {

using test::lines;
using test::makeDirs;
using test::native;
using test::sep;
using test::writeFile;

// w/ holds, in listing order:
//   node_modules/pkg/index.js, src/ (gen/x.c, a.c, b.h, .cache/ hidden),
//   .env (hidden, 3 bytes), readme.txt (6 bytes), ~tmp (1 byte)
class ReportOptionsTest : public test::ReportTest {
 protected:
  void SetUp() override {
    test::ReportTest::SetUp();
    makeDirs(dir / "w/node_modules/pkg");
    writeFile(dir / "w/node_modules/pkg/index.js", "module");
    makeDirs(dir / "w/src/gen");
    writeFile(dir / "w/src/gen/x.c", "xx");
    writeFile(dir / "w/src/a.c", "aaaa");
    writeFile(dir / "w/src/b.h", "b");
    makeDirs(dir / "w/src/.cache");
    test::markHidden(dir / "w/src/.cache");
    writeFile(dir / "w/src/.cache/c.c", "cccccccc");
    writeFile(dir / "w/.env", "e=1");
    test::markHidden(dir / "w/.env");
    writeFile(dir / "w/readme.txt", "readme");
    writeFile(dir / "w/~tmp", "t");
    w = dir / "w/";
    top = "[" + w + "]";
  }

  std::string w, top;
};

TEST_F(ReportOptionsTest, ExcludedNamesAreNeitherListedNorEntered) {
  struct Case {
    std::vector<std::string> patterns;
    std::vector<std::string> body;
  } cases[] = {
      {{"node_modules"},
       {"├[src]", "｜├[gen]", "｜｜└x.c", "｜├a.c", "｜└b.h", "├readme.txt", "└~tmp"}},
      // Directories and files alike, at every level, letters in any case.
      {{"*.C", "GEN"},
       {"├[node_modules]", "｜└[pkg]", "｜　└index.js", "├[src]", "｜└b.h", "├readme.txt",
        "└~tmp"}},
      // The last entry's glyph follows what is left; "~" is a plain character.
      {{"~*", "node_modules"},
       {"├[src]", "｜├[gen]", "｜｜└x.c", "｜├a.c", "｜└b.h", "└readme.txt"}},
      {{"src", "node_modules", "*"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.patterns));
    writer.options.excludePatterns = c.patterns;
    std::vector<std::string> expected = {top};
    expected.insert(expected.end(), c.body.begin(), c.body.end());
    EXPECT_EQ(generate(w), lines(expected));
  }
}

TEST_F(ReportOptionsTest, ExcludeAppliesAfterTheMaskAndWithPathsAndPatterns) {
  // Listing hidden entries lets exclude take some of them out again.
  writer.options.skipAttributes = 0;
  writer.options.excludePatterns = {".cache", "node_modules"};
  EXPECT_EQ(generate(w), lines({top, "├[src]", "｜├[gen]", "｜｜└x.c", "｜├a.c", "｜└b.h", "├.env",
                                "├readme.txt", "└~tmp"}));

  writer.options = ReportOptions();
  writer.options.pathList = true;
  writer.options.excludePatterns = {"gen", "*.js"};
  EXPECT_EQ(generate(w),
            lines({top, w + sep("src/a.c"), w + sep("src/b.h"), w + "readme.txt", w + "~tmp"}));

  // The pattern of in selects files; exclude takes out what it names of them
  // and of the directories.
  writer.options = ReportOptions();
  writer.options.excludePatterns = {"a.*", "node_modules"};
  EXPECT_EQ(generate(w + "*.c"), lines({top, "└[src]", "　└[gen]", "　　└x.c"}));
}

TEST_F(ReportOptionsTest, DepthLimitsTheLevelsEntered) {
  struct Case {
    int depth;
    bool pathList;
    std::vector<std::string> body;
  } cases[] = {
      {0, false, {"├[node_modules]", "├[src]", "├readme.txt", "└~tmp"}},
      {1,
       false,
       {"├[node_modules]", "｜└[pkg]", "├[src]", "｜├[gen]", "｜├a.c", "｜└b.h", "├readme.txt",
        "└~tmp"}},
      {2,
       false,
       {"├[node_modules]", "｜└[pkg]", "｜　└index.js", "├[src]", "｜├[gen]", "｜｜└x.c", "｜├a.c",
        "｜└b.h", "├readme.txt", "└~tmp"}},
      {0, true, {"readme.txt", "~tmp"}},
      {1, true, {sep("src/a.c"), sep("src/b.h"), "readme.txt", "~tmp"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "depth " << c.depth << " pathList " << c.pathList);
    writer.options = ReportOptions();
    writer.options.maxDepth = c.depth;
    writer.options.pathList = c.pathList;
    std::vector<std::string> expected = {top};
    for (const std::string& line : c.body) expected.push_back(c.pathList ? w + line : line);
    EXPECT_EQ(generate(w), lines(expected));
  }
}

TEST_F(ReportOptionsTest, SummaryCountsWhatIsListed) {
  struct Case {
    uint32_t mask;
    bool pathList;
    std::vector<std::string> excluded;
    std::string summary;
  } cases[] = {
      // node_modules, pkg, src, gen; six files of 6 + 2 + 4 + 1 + 6 + 1 bytes.
      {6, false, {}, "4 ディレクトリ、6 ファイル、20 バイト"},
      {6, true, {}, "4 ディレクトリ、6 ファイル、20 バイト"},
      // .cache and its c.c, .env.
      {4, false, {}, "5 ディレクトリ、8 ファイル、31 バイト"},
      {6, false, {"node_modules", "*.h"}, "2 ディレクトリ、4 ファイル、13 バイト"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.summary);
    writer.options = ReportOptions();
    writer.options.skipAttributes = c.mask;
    writer.options.pathList = c.pathList;
    writer.options.excludePatterns = c.excluded;
    std::string plain = generate(w);
    writer.options.summary = true;
    // One more line, and nothing else changes.
    EXPECT_EQ(generate(w), plain + lines({c.summary}));
  }
}

TEST_F(ReportOptionsTest, SummaryOfAnEmptyDirectoryAndOfLargeNumbers) {
  makeDirs(dir / "e");
  writer.options.summary = true;
  EXPECT_EQ(generate(dir / "e/"),
            lines({"[" + dir / "e/]", "0 ディレクトリ、0 ファイル、0 バイト"}));
  makeDirs(dir / "big");
  writeFile(dir / "big/huge");
  test::setFileSize(dir / "big/huge", 6789012345LL);
  EXPECT_EQ(generate(dir / "big/"), lines({"[" + dir / "big/]", "└huge",
                                           "0 ディレクトリ、1 ファイル、6,789,012,345 バイト"}));
}

// The CP932 text of a report made UTF-8 with LF: its glyphs, the one
// Japanese name and the summary words are the only text that is not ASCII.
std::string asUtf8WithLf(std::string report) {
  const std::pair<std::string, std::string> replacements[] = {
      {"\r\n", "\n"},
      {"├", u8"├"},
      {"└", u8"└"},
      {"｜", u8"｜"},
      {"　", u8"　"},
      {"資料", u8"資料"},
      {" ディレクトリ、", u8" ディレクトリ、"},
      {" ファイル、", u8" ファイル、"},
      {" バイト", u8" バイト"},
  };
  for (const auto& [from, to] : replacements) {
    for (size_t at = report.find(from); at != std::string::npos; at = report.find(from, at)) {
      report.replace(at, from.size(), to);
      at += to.size();
    }
  }
  return report;
}

TEST_F(ReportOptionsTest, Utf8AndLfMakeTheSameReportAsNativeText) {
  makeDirs(dir / native("w/資料"));
  writeFile(dir / native("w/資料/表.txt"));
  struct Case {
    const char* name;
    bool ReportOptions::*flag;
  } cases[] = {{"tree", nullptr},
               {"paths", &ReportOptions::pathList},
               {"file://", &ReportOptions::fileUrl},
               {"sizes", &ReportOptions::showSize}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writer.options = ReportOptions();
    if (c.flag != nullptr) writer.options.*c.flag = true;
    writer.options.summary = true;
    std::string plain = generate(w);
    writer.options.utf8 = true;
    writer.options.lineFeed = true;
    std::string converted = asUtf8WithLf(plain);
    // The one name whose CP932 form the replacements do not know.
    const std::string table = "\x95\x5C.txt";
    for (size_t at = converted.find(table); at != std::string::npos; at = converted.find(table)) {
      converted.replace(at, table.size(), u8"表.txt");
    }
    EXPECT_EQ(generate(w), converted);
  }
}

TEST_F(ReportOptionsTest, LfAloneKeepsCodePage932AndUtf8AloneKeepsCrLf) {
  writer.options.maxDepth = 0;
  writer.options.lineFeed = true;
  std::string lf = generate(w);
  EXPECT_EQ(lf, top + "\n" + "├[node_modules]\n├[src]\n├readme.txt\n└~tmp\n");
  writer.options.lineFeed = false;
  writer.options.utf8 = true;
  EXPECT_EQ(generate(w), top + "\r\n" + u8"├[node_modules]\r\n├[src]\r\n├readme.txt\r\n└~tmp\r\n");
}

}  // namespace
}  // namespace qv
