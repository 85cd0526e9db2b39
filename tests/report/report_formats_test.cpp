// Whole reports in the forms other programs read (CSV, JSON, HTML), with
// directory sizes, sorting and sizes in 1,024 steps, checked byte for byte on
// a sample tree whose names hold a comma, an ampersand and a leading "=".
// Names that Windows cannot hold (quotes, line breaks, "<>", bytes that are
// no text) are in report_formats_posix_test.cpp.
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
using test::utf8Of;
using test::sep;
using test::writeFile;

// The sample tree: each file with its size, all last written at SAMPLE_TIME.
struct SampleFile {
  const char* path;  // code page 932, "/" between the levels
  size_t size;
};
const SampleFile SAMPLE[] = {
    {"docs/notes.txt", 6},
    {"src/lib/util.c", 19},
    {"src/lib/util.h", 13},
    {"src/main.c", 25},
    {"資料/表計算/売上.csv", 11},
    {"資料/ソース一覧.txt", 10},
    {"=sum.txt", 1},
    {"a,b.txt", 3},
    {"R&D.txt", 0},
    {"README.md", 15},
};

class ReportFormatsTest : public test::ReportTest {
 protected:
  void SetUp() override {
    test::ReportTest::SetUp();
    for (const SampleFile& file : SAMPLE) {
      std::string path = dir / native(std::string("t/") + file.path);
      makeDirs(path.substr(0, path.rfind(test::SEPARATOR)));
      writeFile(path, std::string(file.size, 'x'));
      test::setModifiedTime(path, test::SAMPLE_TIME);
    }
    root = dir / "t/";
  }

  // The size of the files the sample holds below directory ("" for all).
  static uint64_t sizeBelow(const std::string& directory) {
    uint64_t total = 0;
    for (const SampleFile& file : SAMPLE) {
      if (std::string(file.path).rfind(directory, 0) == 0) total += file.size;
    }
    return total;
  }

  // total as the size column shows it, grouped and right-aligned.
  static std::string column(uint64_t total) {
    std::string text;
    appendSizeColumn(total, false, text);
    return text;
  }

  // The root as JSON writes it: UTF-8, a backslash doubled.
  std::string jsonRoot() const {
    std::string text;
    for (char c : utf8Of(root)) {
      if (c == '\\') text += '\\';
      text += c;
    }
    return text;
  }

  std::string root;
};

TEST_F(ReportFormatsTest, DirectorySizesAreTheTotalsOfEveryLevelBeneath) {
  writer.options.directorySizes = true;
  writer.options.showSize = true;
  EXPECT_EQ(generate(root),
            lines({"[" + root + "]", "├ " + column(sizeBelow("docs/")) + "[docs]",
                   "｜└ " + column(6) + "notes.txt", "├ " + column(sizeBelow("src/")) + "[src]",
                   "｜├ " + column(sizeBelow("src/lib/")) + "[lib]",
                   "｜｜├ " + column(19) + "util.c", "｜｜└ " + column(13) + "util.h",
                   "｜└ " + column(25) + "main.c", "├ " + column(sizeBelow("資料/")) + "[資料]",
                   "｜├ " + column(sizeBelow("資料/表計算/")) + "[表計算]",
                   "｜｜└ " + column(11) + "売上.csv", "｜└ " + column(10) + "ソース一覧.txt",
                   "├ " + column(1) + "=sum.txt", "├ " + column(3) + "a,b.txt",
                   "├ " + column(0) + "R&D.txt", "└ " + column(15) + "README.md"}));
  // The figures themselves, and a directory below the depth limit, which
  // has nothing listed beneath it.
  EXPECT_EQ(column(sizeBelow("src/")), "            57  ");
  writer.options.showSize = false;
  writer.options.maxDepth = 0;
  writer.options.summary = true;
  EXPECT_EQ(generate(root),
            lines({"[" + root + "]", "├ " + column(0) + "[docs]", "├ " + column(0) + "[src]",
                   "├ " + column(0) + "[資料]", "├=sum.txt", "├a,b.txt", "├R&D.txt", "└README.md",
                   "3 ディレクトリ、4 ファイル、19 バイト"}));
}

TEST_F(ReportFormatsTest, SortSizeReverseOrdersFilesBySizeAndDirectoriesByName) {
  writer.options.order = EntryOrder::SIZE;
  writer.options.reverse = true;
  writer.options.showSize = true;
  writer.options.humanSizes = true;
  EXPECT_EQ(generate(root),
            lines({"[" + root + "]", "├[資料]", "｜├[表計算]", "｜｜└             11  売上.csv",
                   "｜└             10  ソース一覧.txt", "├[src]", "｜├[lib]",
                   "｜｜├             19  util.c", "｜｜└             13  util.h",
                   "｜└             25  main.c", "├[docs]", "｜└              6  notes.txt",
                   "├             15  README.md", "├              3  a,b.txt",
                   "├              1  =sum.txt", "└              0  R&D.txt"}));
  writer.options = ReportOptions();
  writer.options.order = EntryOrder::NAME;
  EXPECT_EQ(generate(root), [&] {
    ReportWriter listed;
    std::string out = dir / "listed.out";
    listed.generate(String(out.c_str()), String(root.c_str()));
    return test::readFile(out);
  }());
}

TEST_F(ReportFormatsTest, HumanSizesStepBy1024WithOneDecimal) {
  const struct {
    uint64_t size;
    const char* shown;
  } cases[] = {
      {0, "0"},          {1023, "1023"},          {1024, "1.0K"},
      {1260, "1.2K"},    {1048524, "1023.9K"},    {1048575, "1.0M"},
      {3565158, "3.4M"}, {6012954214ULL, "5.6G"}, {~0ULL, "16.0E"},
  };
  for (const auto& c : cases) {
    std::string text;
    appendSizeColumn(c.size, true, text);
    EXPECT_EQ(text, std::string(14 - std::string(c.shown).size(), ' ') + c.shown + "  ") << c.size;
  }
}

TEST_F(ReportFormatsTest, CsvHasOneRowPerEntryQuotedAndKeptAsText) {
  writer.options.format = OutputFormat::CSV;
  writer.options.showSize = writer.options.showTime = writer.options.showAttributes = true;
  const std::string time = "2002/10/14 09:05:03";
  std::string p = root;
  auto file = [&](const std::string& path, const std::string& name, const char* size) {
    return path + "," + name + ",ファイル," + size + "," + time + ",A";
  };
  EXPECT_EQ(generate(root),
            lines({"パス,名前,種類,サイズ,更新日時,属性", p + "docs,docs,ディレクトリ,,,",
                   file(p + sep("docs/notes.txt"), "notes.txt", "6"), p + "src,src,ディレクトリ,,,",
                   p + sep("src/lib") + ",lib,ディレクトリ,,,",
                   file(p + sep("src/lib/util.c"), "util.c", "19"),
                   file(p + sep("src/lib/util.h"), "util.h", "13"),
                   file(p + sep("src/main.c"), "main.c", "25"), p + "資料,資料,ディレクトリ,,,",
                   p + sep("資料/表計算") + ",表計算,ディレクトリ,,,",
                   file(p + sep("資料/表計算/売上.csv"), "売上.csv", "11"),
                   file(p + sep("資料/ソース一覧.txt"), "ソース一覧.txt", "10"),
                   file(p + "=sum.txt", "'=sum.txt", "1"),
                   file("\"" + p + "a,b.txt\"", "\"a,b.txt\"", "3"),
                   file(p + "R&D.txt", "R&D.txt", "0"), file(p + "README.md", "README.md", "15")}));

  // A path list has the rows of files only; with utf8 the text is UTF-8
  // after a byte-order mark, and du puts the totals in the directories' rows.
  writer.options = ReportOptions();
  writer.options.format = OutputFormat::CSV;
  writer.options.pathList = true;
  writer.options.utf8 = true;
  writer.options.lineFeed = true;
  writer.options.maxDepth = 1;
  std::string u = utf8Of(root);
  EXPECT_EQ(generate(root),
            std::string("\xEF\xBB\xBF") + u8"パス,名前,種類,サイズ,更新日時,属性\n" + u +
                sep("docs/notes.txt") + u8",notes.txt,ファイル,,,\n" + u + sep("src/main.c") +
                u8",main.c,ファイル,,,\n" + u + utf8Of(sep("資料/ソース一覧.txt")) + "," +
                utf8Of("ソース一覧.txt") + u8",ファイル,,,\n" + u +
                u8"=sum.txt,'=sum.txt,ファイル,,,\n\"" + u +
                u8"a,b.txt\",\"a,b.txt\",ファイル,,,\n" + u + u8"R&D.txt,R&D.txt,ファイル,,,\n" +
                u + u8"README.md,README.md,ファイル,,,\n");
  writer.options.pathList = false;
  writer.options.utf8 = false;
  writer.options.lineFeed = false;
  writer.options.maxDepth = 0;
  writer.options.directorySizes = true;
  std::string report = generate(root);
  EXPECT_NE(report.find(p + "docs,docs,ディレクトリ,                   0,,\r\n"),
            std::string::npos);
  writer.options.maxDepth = -1;
  report = generate(root);
  EXPECT_NE(report.find(p + "src,src,ディレクトリ,                  57,,\r\n"), std::string::npos);
  EXPECT_NE(report.find(p + sep("src/lib") + ",lib,ディレクトリ,                  32,,\r\n"),
            std::string::npos);
}

TEST_F(ReportFormatsTest, JsonIsTheNestedTreeWithCountsLast) {
  writer.options.format = OutputFormat::JSON;
  writer.options.showSize = writer.options.showTime = writer.options.showAttributes = true;
  writer.options.directorySizes = true;
  auto file = [](const char* name, int size) {
    return std::string(R"({"type":"file","name":")") + name + R"(","size":)" +
           std::to_string(size) + R"(,"time":"2002-10-14T09:05:03+09:00","attributes":"A"})";
  };
  EXPECT_EQ(generate(root),
            lines({"[",
                   R"({"type":"directory","name":")" + jsonRoot() + R"(","contents":[)",
                   R"(  {"type":"directory","name":"docs","contents":[)",
                   "    " + file("notes.txt", 6),
                   R"(  ],"size":6},)",
                   R"(  {"type":"directory","name":"src","contents":[)",
                   R"(    {"type":"directory","name":"lib","contents":[)",
                   "      " + file("util.c", 19) + ",",
                   "      " + file("util.h", 13),
                   R"(    ],"size":32},)",
                   "    " + file("main.c", 25),
                   R"(  ],"size":57},)",
                   u8R"(  {"type":"directory","name":"資料","contents":[)",
                   u8R"(    {"type":"directory","name":"表計算","contents":[)",
                   "      " + file(u8"売上.csv", 11),
                   R"(    ],"size":11},)",
                   "    " + file(u8"ソース一覧.txt", 10),
                   R"(  ],"size":21},)",
                   "  " + file("=sum.txt", 1) + ",",
                   "  " + file("a,b.txt", 3) + ",",
                   "  " + file("R&D.txt", 0) + ",",
                   "  " + file("README.md", 15),
                   R"(],"size":)" + std::to_string(sizeBelow("")) + "},",
                   R"({"type":"report","directories":5,"files":10,"bytes":103})",
                   "]"}));
  // Without columns only the names; a directory not entered has no contents.
  writer.options = ReportOptions();
  writer.options.format = OutputFormat::JSON;
  writer.options.maxDepth = 0;
  writer.options.lineFeed = true;
  EXPECT_EQ(generate(root),
            "[\n" + (R"({"type":"directory","name":")" + jsonRoot() + R"(","contents":[)") + "\n" +
                u8R"(  {"type":"directory","name":"docs","contents":[]},
  {"type":"directory","name":"src","contents":[]},
  {"type":"directory","name":"資料","contents":[]},
  {"type":"file","name":"=sum.txt"},
  {"type":"file","name":"a,b.txt"},
  {"type":"file","name":"R&D.txt"},
  {"type":"file","name":"README.md"}
]},
{"type":"report","directories":3,"files":4}
]
)");
}

TEST_F(ReportFormatsTest, HtmlFoldsEachDirectoryAndEscapesNames) {
  writer.options.format = OutputFormat::HTML;
  writer.options.directorySizes = true;
  writer.options.fileUrl = true;
  writer.options.maxDepth = 1;
  writer.options.showSize = true;
  writer.options.humanSizes = true;
  std::string u = utf8Of(root);
  std::string url = "file://";
  for (char c : u) url += c == '\\' ? '/' : c;
  if (url.compare(7, 1, "/") != 0) url.insert(7, "/");
  auto link = [&](const std::string& path, const std::string& name, int size) {
    return "<li><span class=\"c\">" + column(size) + "</span><a href=\"" + url + path + "\">" +
           name + "</a></li>";
  };
  EXPECT_EQ(generate(root),
            lines({"<!DOCTYPE html>",
                   "<html lang=\"ja\">",
                   "<head>",
                   "<meta charset=\"utf-8\">",
                   "<meta name=\"generator\" content=\"Quorvel\">",
                   "<title>[" + u + "]</title>",
                   "<style>",
                   "body { font-family: monospace; margin: 1em; }",
                   "ul { list-style: none; margin: 0; padding-left: 1.6em; }",
                   "summary { cursor: pointer; }",
                   ".c { white-space: pre; color: #555; }",
                   ".n { margin-top: 1em; color: #555; }",
                   "a { color: inherit; }",
                   "</style>",
                   "</head>",
                   "<body>",
                   "<details open><summary>[" + u + "]</summary>",
                   "<ul>",
                   "<li><details open><summary><span class=\"c\">" + column(6) +
                       "</span>[docs]</summary><ul>",
                   link("docs/notes.txt", "notes.txt", 6),
                   "</ul></details></li>",
                   "<li><details open><summary><span class=\"c\">" + column(25) +
                       "</span>[src]</summary><ul>",
                   "<li><details><summary><span class=\"c\">" + column(0) +
                       "</span>[lib]</summary></details></li>",
                   link("src/main.c", "main.c", 25),
                   "</ul></details></li>",
                   u8"<li><details open><summary><span class=\"c\">" + column(10) +
                       u8"</span>[資料]</summary><ul>",
                   u8"<li><details><summary><span class=\"c\">" + column(0) +
                       u8"</span>[表計算]</summary></details></li>",
                   link("%E8%B3%87%E6%96%99/%E3%82%BD%E3%83%BC%E3%82%B9%E4%B8%80%E8%A6%A7.txt",
                        u8"ソース一覧.txt", 10),
                   "</ul></details></li>",
                   link("%3Dsum.txt", "=sum.txt", 1),
                   link("a%2Cb.txt", "a,b.txt", 3),
                   link("R%26D.txt", "R&amp;D.txt", 0),
                   link("README.md", "README.md", 15),
                   "</ul></details>",
                   u8"<p class=\"n\">5 ディレクトリ、7 ファイル、60 バイト</p>",
                   "</body>",
                   "</html>"}));
}

}  // namespace
}  // namespace qv
