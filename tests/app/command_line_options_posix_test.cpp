// The command line's later options through the real program: exclude, depth,
// utf8, lf, summary and "out -", their bad values, a reader of standard
// output that stops early, and the progress line on a terminal.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace qv::test {
namespace {

const std::vector<std::string> ENVIRONMENT = {"LANG=C.UTF-8", "LC_ALL=C.UTF-8", "TZ=JST-9"};

// in/ holds build/ (out.o), src/ (main.c), .git/ (hidden), a.txt (5 bytes)
// and ~notes.
class CommandLineOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    makeDirs(dir_ / "in/build");
    writeFile(dir_ / "in/build/out.o", "object");
    makeDirs(dir_ / "in/src");
    writeFile(dir_ / "in/src/main.c", "int");
    makeDirs(dir_ / "in/.git");
    writeFile(dir_ / "in/a.txt", "hello");
    writeFile(dir_ / "in/~notes");
    in_ = dir_ / "in/";
  }

  RunResult run(std::vector<std::string> arguments, std::vector<std::string> environment = {}) {
    RunOptions options;
    options.workingDirectory = dir_.path();
    options.environment = ENVIRONMENT;
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
    return runQuorvel(arguments, options);
  }

  std::string header() const { return "[" + in_ + "]"; }

  TempDir dir_;
  std::string in_;
};

TEST_F(CommandLineOptionsTest, EachNewOptionInEachSpellingShapesTheReport) {
  struct Case {
    std::vector<std::string> options;
    std::string report;
  } cases[] = {
      {{"exclude", "build", "exclude", "*.c"}, lines({header(), "├[src]", "├a.txt", "└~notes"})},
      {{"depth", "0"}, lines({header(), "├[build]", "├[src]", "├a.txt", "└~notes"})},
      {{"depth", "1", "p"},
       lines({header(), in_ + "build/out.o", in_ + "src/main.c", in_ + "a.txt", in_ + "~notes"})},
      {{"utf8", "lf", "depth", "0"}, header() + u8"\n├[build]\n├[src]\n├a.txt\n└~notes\n"},
      {{"summary", "hidden"},
       lines({header(), "├[.git]", "├[build]", "｜└out.o", "├[src]", "｜└main.c", "├a.txt",
              "└~notes", "3 ディレクトリ、4 ファイル、14 バイト"})},
  };
  for (const Case& c : cases) {
    for (const char* prefix : {"", "-", "/"}) {
      std::vector<std::string> arguments = {"in", in_, "out", "-"};
      for (size_t i = 0; i < c.options.size(); ++i) {
        bool value = i > 0 && (c.options[i - 1] == "exclude" || c.options[i - 1] == "depth");
        arguments.push_back(value ? c.options[i] : prefix + c.options[i]);
      }
      SCOPED_TRACE(::testing::PrintToString(arguments));
      RunResult result = run(arguments);
      EXPECT_EQ(result.status, 0);
      EXPECT_EQ(result.err, "");
      EXPECT_EQ(result.out, c.report);
    }
  }
  EXPECT_FALSE(exists(dir_ / "tree.txt"));
}

TEST_F(CommandLineOptionsTest, ABadValueEndsWithStatus1AndOneLineNamingIt) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"depth", "-1"}, u8"depth -1: 0 以上の整数ではありません"},
      {{"depth", "1.5"}, u8"depth 1.5: 0 以上の整数ではありません"},
      {{"depth", "two"}, u8"depth two: 0 以上の整数ではありません"},
      {{"-depth", ""}, u8"depth : 0 以上の整数ではありません"},
      {{"s", "depth"}, u8"depth: 値がありません"},
      {{"exclude"}, u8"exclude: 値がありません"},
      {{"exclude", ""}, u8"exclude \"\": パターンが空です"},
      {{"exclude", "src/gen"}, u8"exclude src/gen: パターンは名前だけで、パスの区切りは使えません"},
      {{"exec", "out", "-"}, u8"out - exec: 標準出力には exec を使えません"},
      {{"out", "-", "/exec"}, u8"out - exec: 標準出力には exec を使えません"},
      // Under "ne" too: it covers only the writing of the report.
      {{"ne", "depth", "x"}, u8"depth x: 0 以上の整数ではありません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    std::vector<std::string> arguments = {"in", in_};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    RunResult result = run(arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, u8"Quorvel: " + c.message + "\n");
    EXPECT_FALSE(exists(dir_ / "tree.txt"));
  }
}

TEST_F(CommandLineOptionsTest, DepthTakesAnyWholeNumber) {
  for (const char* depth : {"007", "99999999999999999999"}) {
    RunResult result = run({"in", in_, "out", "-", "depth", depth});
    EXPECT_EQ(result.status, 0) << depth << result.err;
    EXPECT_NE(result.out.find("out.o"), std::string::npos) << depth;
  }
}

TEST_F(CommandLineOptionsTest, Utf8WritesNamesAsTheFileSystemHoldsThem) {
  makeDirs(dir_ / "n");
  // Kept out of the test macros, which quote their arguments in CP932 text.
  const std::string smile = u8"😀.txt";
  writeFile(dir_ / "n/" + smile);
  writeFile(dir_ / u8"n/表.txt");
  // Not UTF-8 at all: the bytes go into the report unchanged.
  writeFile(dir_ / "n/\xFF\xFE.bin");
  writeFile(dir_ / "n/line\nbreak");
  const std::string n = dir_ / "n/";
  // Listing order: "L" (0x4C), then the lead bytes 0xE8, 0xF0 and 0xFF.
  RunResult plain = run({"in", n, "out", "-"});
  EXPECT_EQ(plain.out, lines({"[" + n + "]", "├line?break", "├\x95\x5C.txt", "├?.txt", "└??.bin"}));
  RunResult utf8 = run({"in", n, "out", "-", "utf8", "f"});
  EXPECT_EQ(utf8.status, 0) << utf8.err;
  const std::string bad = "\xFF\xFE.bin";
  EXPECT_EQ(utf8.out, "[" + n + "]\r\n" +                                     //
                          u8"├line?break  file://" + n + "line?break\r\n" +   //
                          u8"├表.txt  file://" + n + u8"表.txt\r\n" +         //
                          u8"├" + smile + "  file://" + n + smile + "\r\n" +  //
                          u8"└" + bad + "  file://" + n + bad + "\r\n");
}

}  // namespace
}  // namespace qv::test
