// The forms other programs read, on names only a POSIX file system holds: a
// quote, a line break, "<>&", a character with no code page 932 form and
// bytes that are no UTF-8. Each form is checked byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "report/report_test.h"
#include "report/report_writer.h"
#include "test_support.h"

namespace qv {
namespace {

using test::writeFile;

TEST(ReportFormatsPosix, NamesNoTextReportCanHoldAreKeptOrEscaped) {
  test::TempDir dir;
  ASSERT_TRUE(test::useJapanTime());
  test::makeDirs(dir / "d");
  // In listing order.
  for (const char* name :
       {"<b>&.txt", u8"caf\u00e9.txt", "say \"hi\".txt", "two\nlines.txt", "\xff\xfe.bin"}) {
    writeFile(dir / "d/" + name);
  }
  const std::string d = dir / "d/";
  const struct {
    OutputFormat format;
    bool utf8;
    std::string report;
  } cases[] = {
      {OutputFormat::TEXT, false,
       test::lines({"[" + d + "]", "├<b>&.txt", "├caf?.txt", "├say \"hi\".txt", "├two?lines.txt",
                    "└??.bin"})},
      {OutputFormat::CSV, false,
       test::lines({"パス,名前,種類,サイズ,更新日時,属性", d + "<b>&.txt,<b>&.txt,ファイル,,,",
                    d + "caf?.txt,caf?.txt,ファイル,,,",
                    "\"" + d + "say \"\"hi\"\".txt\",\"say \"\"hi\"\".txt\",ファイル,,,",
                    "\"" + d + "two\nlines.txt\",\"two\nlines.txt\",ファイル,,,",
                    d + "??.bin,??.bin,ファイル,,,"})},
      {OutputFormat::CSV, true,
       "\xEF\xBB\xBF" +
           test::lines({u8"パス,名前,種類,サイズ,更新日時,属性",
                        d + u8"<b>&.txt,<b>&.txt,ファイル,,,",
                        d + u8"caf\u00e9.txt,caf\u00e9.txt,ファイル,,,",
                        "\"" + d + u8"say \"\"hi\"\".txt\",\"say \"\"hi\"\".txt\",ファイル,,,",
                        "\"" + d + u8"two\nlines.txt\",\"two\nlines.txt\",ファイル,,,",
                        d + u8"\xff\xfe.bin,\xff\xfe.bin,ファイル,,,"})},
      {OutputFormat::JSON, false,
       test::lines({"[", R"({"type":"directory","name":")" + d + R"(","contents":[)",
                    R"(  {"type":"file","name":"<b>&.txt"},)",
                    std::string(R"(  {"type":"file","name":"caf)") + u8"\u00e9" + R"(.txt"},)",
                    R"(  {"type":"file","name":"say \"hi\".txt"},)",
                    R"(  {"type":"file","name":"two\nlines.txt"},)",
                    R"(  {"type":"file","name":"\udcff\udcfe.bin"})", "]},",
                    R"({"type":"report","directories":0,"files":5})", "]"})},
  };
  for (const auto& c : cases) {
    ReportWriter writer;
    writer.options.format = c.format;
    writer.options.utf8 = c.utf8;
    std::string out = dir / "report.out";
    writer.generate(String(out.c_str()), String(d.c_str()));
    EXPECT_EQ(test::readFile(out), c.report) << static_cast<int>(c.format) << c.utf8;
  }

  ReportWriter writer;
  writer.options.format = OutputFormat::HTML;
  writer.options.fileUrl = true;
  std::string out = dir / "report.out";
  writer.generate(String(out.c_str()), String(d.c_str()));
  std::string page = test::readFile(out);
  std::string url = "file://" + d;
  for (const std::string& item :
       {"<li><a href=\"" + url + "%3Cb%3E%26.txt\">&lt;b&gt;&amp;.txt</a></li>",
        "<li><a href=\"" + url + u8"caf%C3%A9.txt\">caf\u00e9.txt</a></li>",
        "<li><a href=\"" + url + "say%20%22hi%22.txt\">say &quot;hi&quot;.txt</a></li>",
        "<li><a href=\"" + url + "two%0Alines.txt\">two?lines.txt</a></li>",
        "<li><a href=\"" + url + u8"%FF%FE.bin\">\uFFFD\uFFFD.bin</a></li>"}) {
    EXPECT_NE(page.find(item + "\r\n"), std::string::npos) << item;
  }
}

}  // namespace
}  // namespace qv
