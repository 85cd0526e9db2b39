// The command line's later options through the real program: exclude, depth,
// utf8, lf, summary and "out -", their bad values and a reader of standard
// output that stops early.
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
      {{"sort", "size", "reverse", "depth", "0", "s"},
       lines({header(), "├[src]", "├[build]", "├              5  a.txt",
              "└              0  ~notes"})},
      {{"csv", "p", "depth", "1"},
       lines({"パス,名前,種類,サイズ,更新日時,属性", in_ + "build/out.o,out.o,ファイル,,,",
              in_ + "src/main.c,main.c,ファイル,,,", in_ + "a.txt,a.txt,ファイル,,,",
              in_ + "~notes,~notes,ファイル,,,"})},
      // JSON writes a directory's total after its contents: du goes to "out -".
      {{"json", "du", "depth", "0"},
       lines({"[", R"({"type":"directory","name":")" + in_ + R"(","contents":[)",
              R"(  {"type":"directory","name":"build","contents":[],"size":0},)",
              R"(  {"type":"directory","name":"src","contents":[],"size":0},)",
              R"(  {"type":"file","name":"a.txt"},)", R"(  {"type":"file","name":"~notes"})",
              R"(],"size":5},)", R"({"type":"report","directories":2,"files":2,"bytes":5})", "]"})},
  };
  for (const Case& c : cases) {
    for (const char* prefix : {"", "-", "/"}) {
      std::vector<std::string> arguments = {"in", in_, "out", "-"};
      for (size_t i = 0; i < c.options.size(); ++i) {
        bool value = i > 0 && (c.options[i - 1] == "exclude" || c.options[i - 1] == "depth" ||
                               c.options[i - 1] == "sort");
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
      {{"sort"}, u8"sort: 値がありません"},
      {{"sort", "Size"}, u8"sort Size: name、size、time のどれでもありません"},
      {{"du", "out", "-"}, u8"out - du: 標準出力には du を使えません (json なら使えます)"},
      {{"html", "out", "-", "-du"}, u8"out - du: 標準出力には du を使えません (json なら使えます)"},
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

TEST_F(CommandLineOptionsTest, ExcludeMatchesTheNamesOwnCharacters) {
  // é and è have no code page 932 form: both are "?" there, as "?" itself is.
  makeDirs(dir_ / "x");
  for (const char* name : {u8"é", u8"è", "e", "ab"}) writeFile(dir_ / "x/" + name);
  const std::string x = dir_ / "x/";
  struct Case {
    std::vector<std::string> excludes;
    std::vector<std::string> listed;
  };
  const std::vector<Case> cases = {
      {{u8"é"}, {"ab", "e", u8"è"}}, {{u8"é", u8"è"}, {"ab", "e"}},  {{"?"}, {"ab"}},
      {{"?", u8"é"}, {"ab"}},        {{u8"*é"}, {"ab", "e", u8"è"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"in", x, "out", "-", "utf8", "lf", "p"};
    for (const std::string& exclude : c.excludes)
      arguments.insert(arguments.end(), {"exclude", exclude});
    std::string expected = "[" + x + "]\n";
    for (const std::string& name : c.listed) expected += x + name + "\n";
    RunResult result = run(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, expected) << ::testing::PrintToString(c.excludes);
  }
}

TEST_F(CommandLineOptionsTest, Utf8ShowsTheLineBreaksOfUnicodeAsQuestionMarks) {
  makeDirs(dir_ / "u");
  // NEL and CSI (C1 controls), the line and paragraph separators; U+00A0 and
  // U+2027 beside them are no line breaks.
  for (const char* name :
       {u8"a\u0085b", u8"c\u009Bd", u8"e\u2028f", u8"g\u2029h", u8"i\u00A0j", u8"k\u2027l"}) {
    writeFile(dir_ / "u/" + name);
  }
  const std::string u = dir_ / "u/";
  RunResult result = run({"in", u, "out", "-", "utf8", "lf", "p"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "[" + u + "]\n" + u + "a?b\n" + u + "c?d\n" + u + "e?f\n" + u + "g?h\n" +
                            u + u8"i\u00A0j\n" + u + u8"k\u2027l\n");
}

TEST_F(CommandLineOptionsTest, OutDashIsStandardOutputAndOnlyTheLastOutCounts) {
  RunResult file = run({"in", in_, "out", "r.txt", "s"});
  ASSERT_EQ(file.status, 0) << file.err;
  RunResult standard = run({"in", in_, "out", "-", "s"});
  EXPECT_EQ(standard.status, 0) << standard.err;
  EXPECT_EQ(standard.out, readFile(dir_ / "r.txt"));
  RunResult later = run({"in", in_, "out", "-", "out", "r2.txt"});
  EXPECT_EQ(later.out, "");
  EXPECT_TRUE(exists(dir_ / "r2.txt"));
  // A pipe cannot take the sizes that du writes back into the report.
  RunResult pipe = run({"in", in_, "out", "/dev/stdout", "du"});
  EXPECT_EQ(pipe.status, 2);
  EXPECT_EQ(pipe.out, "");
  EXPECT_EQ(pipe.err.rfind("Quorvel: out /dev/stdout: ", 0), 0u) << pipe.err;
  // A file named "-" is reached by a path.
  RunResult dashFile = run({"in", in_, "out", "./-"});
  EXPECT_EQ(dashFile.out, "");
  EXPECT_EQ(readFile(dir_ / "-").rfind("[" + in_ + "]\r\n", 0), 0u);
}

TEST_F(CommandLineOptionsTest, ATildeIsTheHomeDirectoryOnlyInTheValuesOfInAndOut) {
  RunResult result =
      run({"in", "~/in/", "out", "-", "exclude", "~*", "depth", "0"}, {"HOME=" + dir_.path()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, lines({header(), "├[build]", "├[src]", "└a.txt"}));
}

// A child process of the real program, with its standard output and error
// on descriptors the test chose.
struct Child {
  pid_t pid = -1;

  // Runs quorvel with arguments in directory; out and err become its
  // standard output and error. With ignorePipe, SIGPIPE is ignored in it as
  // some shells and services leave it.
  static Child start(const std::vector<std::string>& arguments, const std::string& directory,
                     int out, int err, bool ignorePipe = false) {
    Child child;
    const std::string program = quorvelPath();
    child.pid = fork();
    if (child.pid == 0) {
      dup2(out, 1);
      dup2(err, 2);
      // No other end of the test's pipes and terminals stays open in it.
      for (int fd = 3; fd < 1024; ++fd) close(fd);
      if (chdir(directory.c_str()) != 0) _exit(126);
      for (const std::string& entry : ENVIRONMENT) putenv(strdup(entry.c_str()));
      signal(SIGPIPE, ignorePipe ? SIG_IGN : SIG_DFL);
      std::vector<char*> argv = {const_cast<char*>(program.c_str())};
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    return child;
  }

  int wait() {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
  }
};

// Everything readable from fd until its end (or, for a terminal, until the
// other side is closed).
std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

class BigTreeTest : public CommandLineOptionsTest {
 protected:
  // 30 directories of 150 files with long names: some 250 KB of report,
  // many times what a pipe holds.
  void SetUp() override {
    CommandLineOptionsTest::SetUp();
    for (int d = 0; d < 30; ++d) {
      std::string directory = dir_ / ("big/d" + std::to_string(d));
      makeDirs(directory);
      for (int f = 0; f < 150; ++f) {
        writeFile(directory + "/" + std::string(40, 'f') + std::to_string(f));
      }
    }
    big_ = dir_ / "big/";
  }

  std::string big_;
};

TEST_F(BigTreeTest, AReaderThatStopsEarlyEndsTheRunQuietly) {
  for (bool ignorePipe : {false, true}) {
    SCOPED_TRACE(ignorePipe ? "SIGPIPE ignored" : "SIGPIPE as by default");
    int out[2], err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    Child child =
        Child::start({"in", big_, "out", "-", "summary"}, dir_.path(), out[1], err[1], ignorePipe);
    close(out[1]);
    close(err[1]);
    // As head does: read the first lines, then go.
    char first[100];
    ASSERT_GT(read(out[0], first, sizeof first), 0);
    close(out[0]);
    std::string errors = readAll(err[0]);
    close(err[0]);
    int status = child.wait();
    EXPECT_EQ(errors, "");
    if (ignorePipe) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    } else {
      EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) ||
                  (WIFEXITED(status) && WEXITSTATUS(status) == 0))
          << status;
    }
  }
}

}  // namespace
}  // namespace qv::test
