// The command line of the real quorvel program: which arguments it takes, what
// it writes where, the exit status and the one-line messages on standard
// error, and how it copes with hostile input and failing output.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "report/report_writer.h"
#include "test_support.h"

namespace qv::test {
namespace {

// Standard error in a Japanese UTF-8 locale: the caption, ": ", what failed
// and the system's text, one line.
const std::string PARAMETER_ERROR = u8"パラメーターが間違っています。";
const std::string PATH_NOT_FOUND = u8"指定されたパスが見つかりません。";
const std::string ACCESS_DENIED = u8"アクセスが拒否されました。";
const std::string DISK_FULL = u8"ディスクに十分な空き領域がありません。";
const std::string NAME_TOO_LONG = u8"ファイル名または拡張子が長すぎます。";
const std::string LAUNCH_FAILURE = u8"Quorvel: 起動に失敗しました。\n";

// The line for a failure of what (an argument and its value) with a system
// text.
std::string failure(const std::string& what, const std::string& text) {
  return "Quorvel: " + what + ": " + text + "\n";
}

std::string unknownOption(const std::string& argument) {
  return u8"Quorvel: 不明なオプションです: " + argument + "\n";
}

// 2001-09-09 01:46:40 UTC, 10:46:40 in JST.
constexpr int64_t A_TXT_TIME = 1000000000;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::set<std::string> entriesOf(const std::string& directory) {
  std::set<std::string> names;
  if (DIR* dir = opendir(directory.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        names.insert(entry->d_name);
      }
    }
    closedir(dir);
  }
  return names;
}

void makeSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);
}

void makeExecutable(const std::string& path, const std::string& script) {
  writeFile(path, script);
  ASSERT_EQ(chmod(path.c_str(), 0755), 0);
}

// Keeps looking for a file that another process writes, for up to 20 s.
bool waitForFile(const std::string& path) {
  for (int i = 0; i < 200 && !exists(path); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return exists(path);
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    result.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

// A temporary directory holding in/ with
//   a.txt (5 bytes, fixed time), sub/b.txt,
//   .dot, .dotdir/ (hidden), pipe (a FIFO) and sock (a socket), both system.
// Runs happen in the temporary directory unless a test says otherwise.
class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    makeDirs(dir_ / "in/sub");
    makeDirs(dir_ / "in/.dotdir");
    writeFile(dir_ / "in/a.txt", "hello");
    setModifiedTime(dir_ / "in/a.txt", A_TXT_TIME);
    writeFile(dir_ / "in/sub/b.txt");
    writeFile(dir_ / "in/.dot");
    ASSERT_EQ(mkfifo((dir_ / "in/pipe").c_str(), 0644), 0);
    makeSocket(dir_ / "in/sock");
  }

  // "$T" in an argument stands for the temporary directory.
  std::string expand(std::string text) const {
    for (size_t at = text.find("$T"); at != std::string::npos; at = text.find("$T", at)) {
      text.replace(at, 2, dir_.path());
      at += dir_.path().size();
    }
    return text;
  }
  std::vector<std::string> expand(std::vector<std::string> arguments) const {
    for (std::string& argument : arguments) argument = expand(argument);
    return arguments;
  }

  RunResult run(const std::vector<std::string>& arguments, RunOptions options = RunOptions()) {
    if (options.workingDirectory.empty()) options.workingDirectory = dir_.path();
    // Japanese messages, UTF-8 text, whatever the machine's own locale.
    std::vector<std::string> environment = {
        "LANG=ja_JP.UTF-8", "LC_ALL=", "LC_MESSAGES=", "LC_CTYPE=C.UTF-8", "TZ=JST-9"};
    environment.insert(environment.end(), options.environment.begin(), options.environment.end());
    options.environment = environment;
    return runQuorvel(expand(arguments), options);
  }

  // The first line of a report on directory (given without the final "/").
  static std::string header(const std::string& directory) { return "[" + directory + "/]\r\n"; }

  // The file associations of the desktop, all in the temporary directory, so
  // that nothing of this machine's own set-up is seen. With execLine, the
  // default application for text/plain runs it.
  std::vector<std::string> associations(const std::string& execLine = std::string()) {
    std::string root = dir_ / "xdg";
    for (const char* sub : {"config", "config-dirs", "data/applications", "data-dirs", "home"}) {
      makeDirs(root + "/" + sub);
    }
    std::remove((root + "/config/mimeapps.list").c_str());
    std::remove((root + "/data/applications/rec.desktop").c_str());
    if (!execLine.empty()) {
      writeFile(root + "/config/mimeapps.list", "[Default Applications]\ntext/plain=rec.desktop\n");
      writeFile(root + "/data/applications/rec.desktop",
                "[Desktop Entry]\nType=Application\nName=Rec\nExec=" + execLine + "\n");
    }
    return {"XDG_CONFIG_HOME=" + root + "/config",
            "XDG_CONFIG_DIRS=" + root + "/config-dirs",
            "XDG_DATA_HOME=" + root + "/data",
            "XDG_DATA_DIRS=" + root + "/data-dirs",
            "HOME=" + root + "/home",
            "XDG_CURRENT_DESKTOP="};
  }

  // A viewer that copies the file it is given to viewed.txt at once, then
  // waits (at most 10 s) for the file "go" and writes to opened.txt whether
  // it came, followed by its arguments, one per line. A program that waits
  // for its viewer never sees "go": the test creates it only afterwards.
  std::string recorder() {
    makeDirs(dir_ / "xdg");
    std::string path = dir_ / "xdg/recorder.sh";
    std::string d = dir_.path();
    makeExecutable(path,
                   "#!/bin/sh\n"
                   "exec </dev/null >/dev/null 2>&1\n"
                   "for last; do :; done\n"
                   "cp -- \"$last\" '" +
                       d +
                       "/viewed.txt'\n"
                       "n=0\n"
                       "while [ ! -e '" +
                       d +
                       "/go' ] && [ $n -lt 100 ]; do sleep 0.1; n=$((n+1)); done\n"
                       "if [ -e '" +
                       d +
                       "/go' ]; then echo released; else echo kept-waiting; fi"
                       " > '" +
                       d +
                       "/opened.tmp'\n"
                       "printf '%s\\n' \"$@\" >> '" +
                       d +
                       "/opened.tmp'\n"
                       "mv '" +
                       d + "/opened.tmp' '" + d + "/opened.txt'\n");
    return path;
  }

  // A tree of 800 files with long names, made once in each test program: its
  // report of about 190 KB is written in several blocks. Its path ends in "/".
  static const std::string& bigTree() {
    static TempDir tree;
    static const std::string path = [] {
      for (int d = 0; d < 8; ++d) {
        std::string directory = tree / ("big/directory-" + std::to_string(d));
        makeDirs(directory);
        for (int f = 0; f < 100; ++f) {
          writeFile(directory + "/" + std::string(220, 'n') + "-" + std::to_string(f) + ".txt");
        }
      }
      return tree / "big/";
    }();
    return path;
  }

  // Starts the program in the temporary directory with standard output going
  // to stdoutPath (closed when it is empty) and standard error to errPath().
  pid_t start(const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment = {},
              const std::string& stdoutPath = "/dev/null") {
    return startProgram(QUORVEL_EXECUTABLE, expand(arguments), environment, stdoutPath);
  }
  // The program stopped at stopAt, as tests/app/stopped_program_posix.cpp
  // reads it.
  pid_t startStopped(const std::string& stopAt, const std::vector<std::string>& arguments) {
    std::vector<std::string> args = {stopAt};
    for (const std::string& argument : expand(arguments)) args.push_back(argument);
    return startProgram(QUORVEL_STOPPED_EXECUTABLE, args, {}, "/dev/null");
  }
  pid_t startProgram(const char* program, const std::vector<std::string>& args,
                     const std::vector<std::string>& environment, const std::string& stdoutPath) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    int err = open(errPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err < 0 || dup2(err, 2) < 0 || chdir(dir_.path().c_str()) != 0) _exit(126);
    close(1);
    if (!stdoutPath.empty() && open(stdoutPath.c_str(), O_WRONLY) != 1) _exit(126);
    for (const char* entry : {"LANG=ja_JP.UTF-8", "LC_ALL=", "LC_MESSAGES=", "LC_CTYPE=C.UTF-8"}) {
      putenv(const_cast<char*>(entry));
    }
    for (const std::string& entry : environment) putenv(strdup(entry.c_str()));
    std::vector<char*> argv = {const_cast<char*>(program)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
  }
  std::string errPath() const { return logs_ / "stderr.txt"; }

  // The temporary files the program leaves in directory.
  static std::vector<std::string> temporaryFiles(const std::string& directory) {
    std::vector<std::string> found;
    for (const std::string& name : entriesOf(directory)) {
      if (name.rfind(".quorvel-", 0) == 0) found.push_back(name);
    }
    return found;
  }

  TempDir dir_;
  TempDir logs_;
};

// ---------------------------------------------------------------------------
// Accepted options

struct ColumnCase {
  const char* option;
  std::string marker;  // in the report with the option, never without it
};

TEST_F(CommandLineTest, EachSpellingOfAnOptionTurnsItOn) {
  const std::string in = dir_ / "in/";
  const std::vector<ColumnCase> cases = {
      {"s", std::string(13, ' ') + "5  a.txt\r\n"},
      {"t", "2001/09/09 10:46:40  a.txt\r\n"},
      {"a", "A  a.txt\r\n"},
      {"f", "a.txt  file://" + in + "a.txt\r\n"},
      {"p", "\n" + in + "a.txt\r\n"},
      {"hidden", ".dot\r\n"},
      {"all", "pipe\r\n"},
  };
  RunResult plain = run({"in", in, "out", "plain.txt"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  const std::string plainReport = readFile(dir_ / "plain.txt");
  ASSERT_TRUE(contains(plainReport, "a.txt\r\n"));

  for (const ColumnCase& c : cases) {
    EXPECT_FALSE(contains(plainReport, c.marker)) << c.option;
    for (const char* prefix : {"", "-", "/"}) {
      std::string option = std::string(prefix) + c.option;
      SCOPED_TRACE(option);
      RunResult result = run({"in", in, option, "out", "r.txt"});
      EXPECT_EQ(result.status, 0);
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, "");
      std::string report = readFile(dir_ / "r.txt");
      EXPECT_EQ(report.rfind(header(dir_ / "in"), 0), 0u);
      EXPECT_TRUE(contains(report, c.marker));
    }
  }
}

TEST_F(CommandLineTest, EachSpellingOfNeSilencesAFailedRun) {
  for (const char* option : {"ne", "-ne", "/ne"}) {
    SCOPED_TRACE(option);
    RunResult result = run({option, "in", "$T/missing/", "out", "r.txt"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(exists(dir_ / "r.txt"));
  }
}

TEST_F(CommandLineTest, EachSpellingOfExecTriesToOpenTheReport) {
  std::vector<std::string> noViewer = associations();
  for (const char* option : {"exec", "-exec", "/exec"}) {
    SCOPED_TRACE(option);
    RunResult result = run({"in", "$T/in/", option, "out", "r.txt"}, {"", noViewer, false});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, LAUNCH_FAILURE);
  }
}

TEST_F(CommandLineTest, HiddenAndAllChooseWhichEntriesAreListed) {
  struct Case {
    std::vector<std::string> options;
    bool hidden;  // .dot and .dotdir
    bool system;  // the FIFO and the socket
  };
  const std::vector<Case> cases = {
      {{}, false, false},
      {{"hidden"}, true, false},
      {{"all"}, true, true},
      {{"all", "hidden"}, true, true},
      {{"hidden", "all"}, true, true},
      {{"hidden", "hidden"}, true, false},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"in", "$T/in/", "out", "r.txt"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    SCOPED_TRACE(::testing::PrintToString(c.options));
    RunResult result = run(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    std::string report = readFile(dir_ / "r.txt");
    EXPECT_TRUE(contains(report, "a.txt\r\n"));
    EXPECT_EQ(contains(report, ".dot\r\n"), c.hidden);
    EXPECT_EQ(contains(report, "[.dotdir]\r\n"), c.hidden);
    EXPECT_EQ(contains(report, "pipe\r\n"), c.system);
    EXPECT_EQ(contains(report, "sock\r\n"), c.system);
  }
}

// ---------------------------------------------------------------------------
// Input and output paths

TEST_F(CommandLineTest, DefaultsAndRelativePathsFollowTheWorkingDirectory) {
  struct Case {
    std::string workingDirectory;  // below the temporary directory
    std::vector<std::string> arguments;
    std::string output;  // below the temporary directory
    std::string listed;  // below the temporary directory
  };
  const std::vector<Case> cases = {
      {"in", {"s"}, "in/tree.txt", "in"},
      {"in/sub", {"in", "$T/in/"}, "in/sub/tree.txt", "in"},
      {"in", {"in", "sub/", "out", "r.txt"}, "in/r.txt", "in/sub"},
      {"in/sub", {"in", "../", "out", "../../r.txt"}, "r.txt", "in"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    RunResult result = run(c.arguments, {dir_ / c.workingDirectory, {}, false});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    std::string report = readFile(dir_ / c.output);
    EXPECT_EQ(report.rfind(header(dir_ / c.listed), 0), 0u) << report;
    std::remove((dir_ / c.output).c_str());
  }
}

TEST_F(CommandLineTest, LaterInAndOutReplaceEarlierOnes) {
  RunResult result = run(
      {"in", "$T/missing/", "out", "$T/nodir/first.txt", "in", "$T/in/sub/", "out", "second.txt"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(dir_ / "second.txt"),
            lines({"[" + dir_ / "in/sub/]", std::string(GLYPH_LAST) + "b.txt"}));
  EXPECT_FALSE(exists(dir_ / "nodir"));
}

TEST_F(CommandLineTest, ALeadingTildeInInAndOutIsTheHomeDirectory) {
  // The runs happen in in/sub, with the temporary directory as the home;
  // "~nobody-q10" names no user, so it stays a name relative to in/sub.
  makeDirs(dir_ / "in/sub/~nobody-q10");
  struct Case {
    std::vector<std::string> arguments;
    std::string output;  // below the temporary directory
    std::string listed;
  };
  const std::vector<Case> cases = {
      {{"in", "~/in/", "out", "~/r.txt"}, "r.txt", "in"},
      {{"out", "~/in/r.txt", "in", "~nobody-q10/"}, "in/r.txt", "in/sub/~nobody-q10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    RunResult result = run(c.arguments, {dir_ / "in/sub", {"HOME=" + dir_.path()}, false});
    EXPECT_EQ(result.status, 0) << result.err;
    std::string report = readFile(dir_ / c.output);
    EXPECT_EQ(report.rfind(header(dir_ / c.listed), 0), 0u) << report;
    std::remove((dir_ / c.output).c_str());
  }
}

TEST_F(CommandLineTest, TheValueAfterInOrOutIsTakenWhateverItLooksLike) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string err;
    std::string output;  // the file made, "" for none
  };
  const std::vector<Case> cases = {
      {{"in", "$T/in/", "out", "-s"}, 0, "", "-s"},
      {{"in", "$T/in/", "out", "out"}, 0, "", "out"},
      {{"out", "/hidden", "in", "$T/in/", "out", "r.txt"}, 0, "", "r.txt"},
      // "ne" is the output file's name here, so the failure is not silenced.
      {{"out", "ne", "in", "$T/missing/"}, 2, failure("in $T/missing/", PATH_NOT_FOUND), ""},
      {{"in", "-hidden/", "out", "r.txt"}, 2, failure("in -hidden/", PATH_NOT_FOUND), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    std::set<std::string> before = entriesOf(dir_.path());
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err, expand(c.err));
    std::set<std::string> made;
    for (const std::string& name : entriesOf(dir_.path())) {
      if (before.count(name) == 0) made.insert(name);
    }
    std::set<std::string> expected;
    if (!c.output.empty()) expected.insert(c.output);
    EXPECT_EQ(made, expected);
    if (!c.output.empty()) {
      std::string report = readFile(dir_ / c.output);
      EXPECT_EQ(report.rfind(header(dir_ / "in"), 0), 0u);
      // Neither the size column nor hidden entries were turned on.
      EXPECT_TRUE(contains(report, std::string(GLYPH_LAST) + "a.txt\r\n"));
      EXPECT_FALSE(contains(report, ".dot"));
      std::remove((dir_ / c.output).c_str());
    }
  }
}

// ---------------------------------------------------------------------------
// Arguments that are not options, and missing values

TEST_F(CommandLineTest, AnUnknownArgumentStopsEverythingWithStatus1) {
  const std::vector<std::string> notOptions = {
      "--s",      "S",        "-",        "/",     "IN",
      "ins",      "--in",     "//s",      "-/s",   "/-s",
      "s ",       " s",       "sa",       "x",     "",
      "tree.txt", "hidden=1", "\xff\xfe", "-\xff", std::string(10000, 's'),
  };
  for (const std::string& bad : notOptions) {
    SCOPED_TRACE(::testing::PrintToString(bad.size() > 40 ? bad.substr(0, 40) + "..." : bad));
    // Alone; after valid options with a valid option after it, which is never
    // read; and after "ne", which does not hide it.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{bad}, {"in", "$T/in/", "s", bad, "out", "r.txt"}, {"ne", bad}}) {
      std::set<std::string> before = entriesOf(dir_.path());
      RunResult result = run(arguments);
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(result.out, "");
      // Bytes that are not UTF-8 are shown as the locale can.
      if (bad.find('\xff') == std::string::npos) {
        EXPECT_EQ(result.err, unknownOption(bad));
      } else {
        EXPECT_EQ(result.err.rfind(unknownOption("").substr(0, unknownOption("").size() - 1), 0),
                  0u);
      }
      EXPECT_EQ(entriesOf(dir_.path()), before);
    }
  }
}

TEST_F(CommandLineTest, InOrOutWithoutAValueEndsWithStatus2) {
  struct Case {
    std::vector<std::string> arguments;
    const char* option;  // the option named in the message
  };
  const std::vector<Case> cases = {
      {{"in"}, "in"},
      {{"out"}, "out"},
      {{"-in"}, "in"},
      {{"/out"}, "out"},
      {{"s", "in", "$T/in/", "out"}, "out"},
      {{"out", "r.txt", "in"}, "in"},
      {{"ne", "in"}, "in"},
      {{"ne", "out", "r.txt", "out"}, "out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    std::set<std::string> before = entriesOf(dir_.path());
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, failure(c.option, PARAMETER_ERROR));
    EXPECT_EQ(entriesOf(dir_.path()), before);
  }
}

TEST_F(CommandLineTest, NoArgumentsWithoutADisplayAsksForOptionsWithStatus15) {
  // Without a display the dialog cannot open (and a build without the dialog
  // never opens one): one line, status 15, nothing written, no crash.
  const std::vector<std::vector<std::string>> environments = {
      {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="},
      {"DISPLAY=:97", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="},  // no such X server
  };
  for (const std::vector<std::string>& environment : environments) {
    RunResult result = run({}, {"", environment, false});
    EXPECT_EQ(result.status, 15);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("Quorvel: ", 0), 0u) << result.err;
    EXPECT_TRUE(endsWith(result.err, "\n"));
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    EXPECT_EQ(entriesOf(dir_.path()), std::set<std::string>{"in"});
  }
}

TEST_F(CommandLineTest, HelpAndVersionOnlyWhenAlone) {
  RunResult help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* option : {"in", "out", "s", "t", "a", "f", "p", "hidden", "all", "exec", "ne"}) {
    EXPECT_TRUE(contains(help.out, std::string("\n  ") + option + " ")) << option << "\n"
                                                                        << help.out;
  }

  RunResult version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "Quorvel 1.10\n");
  EXPECT_EQ(version.err, "");

  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--help", "s"}, {"s", "--help"}, {"--version", "--help"}, {"-help"}, {"/version"}}) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    RunResult result = run(arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, unknownOption(arguments.front() == "s" ? "--help" : arguments.front()));
  }
  EXPECT_EQ(entriesOf(dir_.path()), std::set<std::string>{"in"});
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(CommandLineTest, AFailedRunSaysWhyAndEndsWithStatus2) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"missing input",
       {"in", "$T/missing/", "out", "r.txt"},
       failure("in $T/missing/", PATH_NOT_FOUND)},
      {"missing input parent",
       {"in", "$T/missing/deeper/*.txt", "out", "r.txt"},
       failure("in $T/missing/deeper/*.txt", PATH_NOT_FOUND)},
      {"input is a file",
       {"in", "$T/in/a.txt/", "out", "r.txt"},
       failure("in $T/in/a.txt/", PATH_NOT_FOUND)},
      {"output in a missing directory",
       {"in", "$T/in/", "out", "$T/nodir/r.txt"},
       failure("out $T/nodir/r.txt", PATH_NOT_FOUND)},
      {"output is a directory",
       {"in", "$T/in/", "out", "$T/in"},
       failure("out $T/in", ACCESS_DENIED)},
      {"output on a full device",
       {"in", "$T/in/", "out", "/dev/full"},
       failure("out /dev/full", DISK_FULL)},
      {"10,000-byte input",
       {"in", std::string(10000, 'a'), "out", "r.txt"},
       failure("in " + std::string(10000, 'a'), NAME_TOO_LONG)},
  };
  for (const Case& c : cases) {
    for (bool silent : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (silent ? " with ne" : ""));
      std::vector<std::string> arguments = c.arguments;
      if (silent) arguments.push_back("ne");
      std::set<std::string> before = entriesOf(dir_.path());
      RunResult result = run(arguments);
      EXPECT_EQ(result.status, 2);
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, silent ? "" : expand(c.err));
      EXPECT_EQ(entriesOf(dir_.path()), before);
    }
  }
}

TEST_F(CommandLineTest, AFailedRunLeavesAnExistingReportAsItWas) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    bool readOnly;  // the old report is read-only and the run unprivileged
    int status;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"missing input",
       {"in", "$T/missing/", "out", "old.txt"},
       false,
       2,
       failure("in $T/missing/", PATH_NOT_FOUND)},
      {"missing input, ne", {"ne", "in", "$T/missing/", "out", "old.txt"}, false, 2, ""},
      {"in without a value", {"out", "old.txt", "in"}, false, 2, failure("in", PARAMETER_ERROR)},
      {"unknown argument", {"out", "old.txt", "x"}, false, 1, unknownOption("x")},
      {"read-only report",
       {"in", "$T/in/", "out", "old.txt"},
       true,
       2,
       failure("out old.txt", ACCESS_DENIED)},
      {"read-only report, ne", {"in", "$T/in/", "out", "old.txt", "ne"}, true, 2, ""},
  };
  const std::string old = "old report\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir_ / "old.txt";
    chmod(path.c_str(), 0644);
    writeFile(path, old);
    if (c.readOnly) {
      ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    }
    RunResult result = run(c.arguments, {"", {}, c.readOnly});
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err, expand(c.err));
    EXPECT_EQ(readFile(path), old);
  }
}

TEST_F(CommandLineTest, UnreadableDirectoriesAreListedEmptyAndWarnedAbout) {
  // Five locked directories: the warning counts them all and names the first
  // three in the order of the report.
  for (const char* name : {"l1", "l2", "l3", "l4", "l5"}) {
    makeDirs(dir_ / "in/" + name);
    writeFile(dir_ / "in/" + name + "/secret.txt");
  }
  writeFile(dir_ / "in/z.txt");
  RunResult reference = run({"in", "$T/in/", "out", "reference.txt"});
  ASSERT_EQ(reference.status, 0);
  for (const char* name : {"l1", "l2", "l3", "l4", "l5"}) {
    ASSERT_EQ(chmod((dir_ / "in/" + name).c_str(), 0), 0);
  }
  const std::string expectedWarning = expand(
      u8"Quorvel: 警告: 読み取れないディレクトリが 5 個あり、一覧にはその中身がありません:\n"
      "  $T/in/l1/\n  $T/in/l2/\n  $T/in/l3/\n  ほか 2 個\n");
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "with ne" : "without ne");
    std::vector<std::string> arguments = {"in", "$T/in/", "out", "r.txt"};
    if (silent) arguments.push_back("ne");
    RunResult result = run(arguments, {"", {}, true});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, silent ? "" : expectedWarning);
    std::string report = readFile(dir_ / "r.txt");
    EXPECT_EQ(report.rfind(header(dir_ / "in"), 0), 0u);
    EXPECT_TRUE(contains(report, "[l1]\r\n"));
    EXPECT_FALSE(contains(report, "secret.txt"));
    // Only the locked directories' contents are missing: the report is the
    // reference without their lines.
    std::string expected = readFile(dir_ / "reference.txt");
    for (size_t at = expected.find("secret.txt"); at != std::string::npos;
         at = expected.find("secret.txt")) {
      size_t start = expected.rfind('\n', at) + 1;
      expected.erase(start, expected.find('\n', at) + 1 - start);
    }
    EXPECT_EQ(report, expected);
  }
}

TEST_F(CommandLineTest, AnInputDirectoryWhoseNameIsNotUtf8IsListed) {
  const std::string name = "\xff\xfe";
  makeDirs(dir_ / ("odd/" + name + "/deeper"));
  writeFile(dir_ / ("odd/" + name + "/inner.txt"));
  writeFile(dir_ / ("odd/" + name + "/deeper/last.txt"));
  for (const std::string& input : {dir_ / ("odd/" + name + "/"), "odd/" + name + "/"}) {
    SCOPED_TRACE(::testing::PrintToString(input));
    RunResult result = run({"in", input, "out", "r.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    std::string report = readFile(dir_ / "r.txt");
    EXPECT_EQ(report.rfind("[" + dir_ / "odd/", 0), 0u) << report;
    EXPECT_TRUE(contains(report, "[deeper]\r\n"));
    EXPECT_TRUE(contains(report, "last.txt\r\n"));
    EXPECT_TRUE(contains(report, "inner.txt\r\n"));
  }
}

TEST_F(CommandLineTest, APatternOfManyStarsStillMatches) {
  makeDirs(dir_ / "stars");
  writeFile(dir_ / "stars/abcx");
  writeFile(dir_ / "stars/abcy");
  writeFile(dir_ / ("stars/" + std::string(60, 'x') + "y"));
  RunResult result = run({"in", dir_ / "stars/" + std::string(40, '*') + "x", "out", "r.txt"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  std::string report = readFile(dir_ / "r.txt");
  EXPECT_EQ(report.rfind(header(dir_ / "stars"), 0), 0u);
  EXPECT_TRUE(contains(report, "abcx\r\n"));
  EXPECT_FALSE(contains(report, "abcy"));
  EXPECT_FALSE(contains(report, "xy\r\n"));
}

TEST_F(CommandLineTest, SymbolicLinksAreListedAsFilesAndNotFollowed) {
  makeDirs(dir_ / "links/dir");
  ASSERT_EQ(symlink("b", (dir_ / "links/a").c_str()), 0);
  ASSERT_EQ(symlink("a", (dir_ / "links/b").c_str()), 0);
  ASSERT_EQ(symlink("..", (dir_ / "links/dir/parent").c_str()), 0);
  ASSERT_EQ(symlink(".", (dir_ / "links/dir/self").c_str()), 0);
  RunResult result = run({"in", "$T/links/", "out", "r.txt"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  std::string report = readFile(dir_ / "r.txt");
  EXPECT_EQ(report.rfind(header(dir_ / "links"), 0), 0u);
  for (const char* link : {"a", "b", "parent", "self"}) {
    EXPECT_TRUE(contains(report, std::string(link) + "\r\n")) << link;
    EXPECT_FALSE(contains(report, std::string("[") + link + "]")) << link;
  }
  // Entered once only.
  EXPECT_EQ(report.find("[dir]"), report.rfind("[dir]"));
}

TEST_F(CommandLineTest, AVeryDeepTreeIsListedToTheBottom) {
  constexpr int DEPTH = 320;
  std::string path = dir_ / "deep";
  for (int level = 0; level < DEPTH; ++level) path += "/n";
  makeDirs(path);
  writeFile(path + "/bottom.txt");
  RunResult result = run({"in", "$T/deep/", "out", "r.txt"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  std::string report = readFile(dir_ / "r.txt");
  std::string lastLine;
  for (int level = 0; level < DEPTH; ++level) lastLine += GLYPH_BLANK;
  lastLine += std::string(GLYPH_LAST) + "bottom.txt\r\n";
  EXPECT_TRUE(endsWith(report, "\n" + lastLine));
}

// ---------------------------------------------------------------------------
// Opening the report afterwards

TEST_F(CommandLineTest, ExecOpensTheFinishedReportWithTheTextViewer) {
  struct Case {
    std::vector<std::string> arguments;
    std::string given;   // the output path as the viewer must get it
    std::string report;  // below the temporary directory
  };
  makeDirs(dir_ / "out dir");
  // The path is absolute, so that no name is taken for an option.
  const std::vector<Case> cases = {
      {{"in", "$T/in/", "exec"}, dir_ / "tree.txt", "tree.txt"},
      {{"exec", "in", "$T/in/", "out", "my report.txt"}, dir_ / "my report.txt", "my report.txt"},
      {{"in", "$T/in/", "out", "$T/out dir/r.txt", "/exec", "ne"},
       dir_ / "out dir/r.txt",
       "out dir/r.txt"},
      {{"-exec", "in", "$T/in/", "out", "-s"}, dir_ / "-s", "-s"},
      // Names reach the viewer in the native encoding, also those without an
      // exact code page 932 form.
      {{"in", "$T/in/", "out", u8"表.txt", "exec"}, dir_ / u8"表.txt", u8"表.txt"},
      {{"in", "$T/in/", "out", u8"./Café.txt", "exec"}, dir_ / u8"Café.txt", u8"Café.txt"},
  };
  std::vector<std::string> environment = associations(recorder() + " %U");
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    for (const char* stale : {"go", "opened.txt", "viewed.txt"})
      std::remove((dir_ / stale).c_str());
    RunResult result = run(c.arguments, {"", environment, false});
    writeFile(dir_ / "go");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    ASSERT_TRUE(waitForFile(dir_ / "opened.txt")) << "the viewer was not started";
    std::vector<std::string> opened = splitLines(readFile(dir_ / "opened.txt"));
    ASSERT_GE(opened.size(), 2u);
    EXPECT_EQ(opened.front(), "released") << "the program waited for its viewer";
    EXPECT_EQ(opened.back(), c.given);
    std::string report = readFile(dir_ / c.report);
    EXPECT_EQ(report.rfind(header(dir_ / "in"), 0), 0u);
    EXPECT_EQ(readFile(dir_ / "viewed.txt"), report) << "the viewer saw an unfinished report";
  }
}

TEST_F(CommandLineTest, ExecGivesTheReportAsOneArgumentByTheQuotingOfTheDesktopEntry) {
  const std::string rec = recorder();
  struct Form {
    std::string execLine;
    std::vector<std::string> before;  // the arguments in front of the report's path
    std::vector<std::string> after;
  };
  // A shell started by the desktop entry itself gets the name as "$1", never
  // as its script (exec: the shell does not keep the run's output open); the
  // arguments after %U stay.
  const std::vector<Form> forms = {
      {"sh -c \"exec " + rec + " \\\"$1\\\"\" sh %f", {}, {}},
      {rec + " --before %U --after", {"--before"}, {"--after"}},
      {"\"" + rec + "\" \"%%\\$HOME\" %F", {"%$HOME"}, {}},
      {rec + " %u", {}, {}},
      {rec, {}, {}},
  };
  const std::vector<std::string> names = {"$(touch pwned)", "-n.txt", "--help", "+!cmd",
                                          "`touch pwned`.txt"};
  for (const Form& form : forms) {
    std::vector<std::string> environment = associations(form.execLine);
    for (const std::string& name : names) {
      SCOPED_TRACE(form.execLine + " / " + name);
      for (const char* stale : {"go", "opened.txt", "viewed.txt"})
        std::remove((dir_ / stale).c_str());
      RunResult result = run({"in", "$T/in/", "out", name, "exec"}, {"", environment, false});
      writeFile(dir_ / "go");
      EXPECT_EQ(result.status, 0) << result.err;
      ASSERT_TRUE(waitForFile(dir_ / "opened.txt")) << "the viewer was not started";
      std::vector<std::string> expected = {"released"};
      expected.insert(expected.end(), form.before.begin(), form.before.end());
      expected.push_back(dir_ / name);
      expected.insert(expected.end(), form.after.begin(), form.after.end());
      EXPECT_EQ(splitLines(readFile(dir_ / "opened.txt")), expected);
      EXPECT_FALSE(exists(dir_ / "pwned"));
      std::remove((dir_ / name).c_str());
    }
  }
}

TEST_F(CommandLineTest, ExecWithoutAUsableViewerStillWritesTheReport) {
  struct Case {
    const char* name;
    std::string execLine;  // "" for no text/plain association at all
  };
  const std::vector<Case> cases = {
      {"no association", ""},
      {"viewer program missing", dir_ / "xdg/no-such-viewer %U"},
  };
  RunResult reference = run({"in", "$T/in/", "out", "reference.txt"});
  ASSERT_EQ(reference.status, 0);
  const std::string expected = readFile(dir_ / "reference.txt");
  for (const Case& c : cases) {
    std::vector<std::string> environment = associations(c.execLine);
    for (bool silent : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (silent ? " with ne" : ""));
      std::remove((dir_ / "r.txt").c_str());
      std::vector<std::string> arguments = {"in", "$T/in/", "exec", "out", "r.txt"};
      if (silent) arguments.push_back("ne");
      RunResult result = run(arguments, {"", environment, false});
      EXPECT_EQ(result.status, 2);
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err, silent ? "" : LAUNCH_FAILURE);
      EXPECT_EQ(readFile(dir_ / "r.txt"), expected);
    }
  }
}

// ---------------------------------------------------------------------------
// The output file: replaced whole, or written in place

TEST_F(CommandLineTest, APipeOrAFifoAsOutputIsWrittenInPlace) {
  RunResult reference = run({"in", bigTree(), "out", "reference.txt"});
  ASSERT_EQ(reference.status, 0);
  const std::string expected = readFile(dir_ / "reference.txt");

  RunResult piped = run({"in", bigTree(), "out", "/dev/stdout"});
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(piped.out, expected);

  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0644), 0);
  std::string received;
  std::thread reader([&] {
    int fd = open((dir_ / "fifo").c_str(), O_RDONLY);
    char buffer[8192];
    ssize_t n;
    while (fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0) received.append(buffer, n);
    if (fd >= 0) close(fd);
  });
  RunResult fifo = run({"in", bigTree(), "out", "fifo"});
  reader.join();
  EXPECT_EQ(fifo.status, 0);
  EXPECT_EQ(fifo.err, "");
  EXPECT_EQ(received, expected);
  struct stat st;
  ASSERT_EQ(lstat((dir_ / "fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(temporaryFiles(dir_.path()), std::vector<std::string>{});
}

TEST_F(CommandLineTest, ASignalDuringARunLeavesThePreviousReportAndNoTemporaryFile) {
  const std::string old = "previous report\r\n";
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    writeFile(dir_ / "r.txt", old);
    pid_t pid = startStopped("after-writes=1", {"in", bigTree(), "out", "r.txt"});
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(status));
    // Halfway through, the new report grows in a temporary file, one without
    // a name where the file system allows it.
    EXPECT_EQ(readFile(dir_ / "r.txt"), old);
    EXPECT_LE(temporaryFiles(dir_.path()).size(), 1u);
    kill(pid, signal);
    kill(pid, SIGCONT);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(readFile(dir_ / "r.txt"), old);
    EXPECT_EQ(entriesOf(dir_.path()), (std::set<std::string>{"in", "r.txt"}));
  }
}

TEST_F(CommandLineTest, ANewReportListsItselfAndASignalRemovesOnlyTheFileItMade) {
  makeDirs(dir_ / "own");
  writeFile(dir_ / "own/a.txt", "a");
  RunResult result = run({"in", dir_ / "own/", "out", dir_ / "own/r.txt", "s"});
  ASSERT_EQ(result.status, 0) << result.err;
  // Listed as the empty file it was while the tree was read.
  EXPECT_EQ(readFile(dir_ / "own/r.txt"),
            lines({"[" + dir_ / "own/]", std::string(GLYPH_BRANCH) + "              1  a.txt",
                   std::string(GLYPH_LAST) + "              0  r.txt"}));

  // Stopped halfway, then ended by a signal: the empty file goes, unless
  // someone has put another file in its place meanwhile.
  for (bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "replaced meanwhile" : "still the one it made");
    std::remove((dir_ / "r.txt").c_str());
    pid_t pid = startStopped("after-writes=1", {"in", bigTree(), "out", "r.txt"});
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(status));
    EXPECT_EQ(readFile(dir_ / "r.txt"), "");
    if (replaced) {
      writeFile(dir_ / "mine.txt", "mine");
      ASSERT_EQ(rename((dir_ / "mine.txt").c_str(), (dir_ / "r.txt").c_str()), 0);
    }
    kill(pid, SIGTERM);
    kill(pid, SIGCONT);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(exists(dir_ / "r.txt"), replaced);
    if (replaced) {
      EXPECT_EQ(readFile(dir_ / "r.txt"), "mine");
    }
    EXPECT_EQ(temporaryFiles(dir_.path()), std::vector<std::string>{});
  }
}

TEST_F(CommandLineTest, RootGivesTheReportTheOwnerOfTheFileItOpenedNeverALinkedOne) {
  if (!runningAsRoot()) GTEST_SKIP() << "owners can be given away only by root";
  // nobody's directory, with nobody's report in it, and a file of root's.
  const std::string theirs = dir_ / "theirs";
  makeDirs(theirs);
  ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
  const std::string report = theirs + "/report.txt";
  const std::string secret = dir_ / "secret.txt";
  writeFile(secret, "root only");
  ASSERT_EQ(chmod(secret.c_str(), 0600), 0);
  for (const char* swap : {"link to root's file", "root's file"}) {
    SCOPED_TRACE(swap);
    std::remove(report.c_str());
    writeFile(report, "old");
    ASSERT_EQ(chown(report.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(report.c_str(), 0640), 0);
    // Stopped when the file to replace has been looked at, nobody puts
    // something else at its name.
    pid_t pid = startStopped("before-replacing", {"in", "$T/in/", "out", report});
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(status));
    ASSERT_EQ(std::remove(report.c_str()), 0);
    if (std::string(swap) == "root's file") {
      writeFile(report, "root's");
      ASSERT_EQ(chmod(report.c_str(), 0600), 0);
    } else {
      ASSERT_EQ(symlink(secret.c_str(), report.c_str()), 0);
    }
    kill(pid, SIGCONT);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // The name holds the report, nobody's as the file opened was; root's
    // file behind the link is untouched.
    struct stat st;
    ASSERT_EQ(lstat(report.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(readFile(report).rfind(header(dir_ / "in"), 0), 0u);
    ASSERT_EQ(lstat(secret.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(readFile(secret), "root only");
  }
  // A report no one may write is not replaced, by root neither.
  writeFile(dir_ / "locked.txt", "locked");
  ASSERT_EQ(chmod((dir_ / "locked.txt").c_str(), 0444), 0);
  RunResult result = run({"in", "$T/in/", "out", "locked.txt"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, failure("out locked.txt", ACCESS_DENIED));
  EXPECT_EQ(readFile(dir_ / "locked.txt"), "locked");
}

TEST_F(CommandLineTest, AReportOfItsOwnDirectoryListsNoTemporaryFile) {
  // With hidden entries listed, the report growing in the listed directory
  // must not show up in itself under a name that is gone once it is done.
  makeDirs(dir_ / "own");
  writeFile(dir_ / "own/a.txt", "a");
  for (const char* existing : {"", "old report\r\n"}) {
    SCOPED_TRACE(*existing ? "replacing a report" : "a new report");
    if (*existing) writeFile(dir_ / "own/r.txt", existing);
    RunResult result = run({"in", dir_ / "own/", "hidden", "out", dir_ / "own/r.txt"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string report = readFile(dir_ / "own/r.txt");
    EXPECT_FALSE(contains(report, ".quorvel-")) << report;
    EXPECT_EQ(temporaryFiles(dir_ / "own"), std::vector<std::string>{});
  }
}

TEST_F(CommandLineTest, TwoRunsAtOnceEachLeaveAWholeReport) {
  ASSERT_EQ(run({"in", bigTree(), "out", "names.txt"}).status, 0);
  ASSERT_EQ(run({"in", bigTree(), "s", "out", "sizes.txt"}).status, 0);
  const std::string names = readFile(dir_ / "names.txt");
  const std::string sizes = readFile(dir_ / "sizes.txt");

  // One run stops halfway while the other writes its whole report; the one
  // that finishes last wins.
  pid_t first = startStopped("after-writes=2", {"in", bigTree(), "out", "r.txt"});
  int status = 0;
  ASSERT_EQ(waitpid(first, &status, WUNTRACED), first);
  ASSERT_TRUE(WIFSTOPPED(status));
  RunResult second = run({"in", bigTree(), "s", "out", "r.txt"});
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(readFile(dir_ / "r.txt"), sizes);
  kill(first, SIGCONT);
  ASSERT_EQ(waitpid(first, &status, 0), first);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(readFile(dir_ / "r.txt"), names);

  // Started together, as the scheduler has them.
  for (int round = 0; round < 3; ++round) {
    pid_t a = start({"in", bigTree(), "out", "r.txt"});
    pid_t b = start({"in", bigTree(), "s", "out", "r.txt"});
    for (pid_t pid : {a, b}) {
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    std::string report = readFile(dir_ / "r.txt");
    EXPECT_TRUE(report == names || report == sizes) << report.size() << " bytes";
  }
  EXPECT_EQ(temporaryFiles(dir_.path()), std::vector<std::string>{});
}

TEST_F(CommandLineTest, AFullDiskLeavesThePreviousReport) {
  if (!runningAsRoot()) GTEST_SKIP() << "mounting a small tmpfs needs root";
  const std::string small = dir_ / "small";
  makeDirs(small);
  std::string mount = "mount -t tmpfs -o size=128k,mode=0777 quorvel-test '" + small + "'";
  if (std::system((mount + " 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "no tmpfs can be mounted here";
  }
  struct Unmount {
    std::string path;
    ~Unmount() {
      if (std::system(("umount '" + path + "'").c_str()) != 0) {
        // The temporary directory's clean-up says what is left.
      }
    }
  } unmount{small};
  const std::string old = "previous report\r\n";
  writeFile(small + "/r.txt", old);
  RunResult result = run({"in", bigTree(), "out", "$T/small/r.txt"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, expand(failure("out $T/small/r.txt", DISK_FULL)));
  EXPECT_EQ(readFile(small + "/r.txt"), old);
  EXPECT_EQ(entriesOf(small), std::set<std::string>{"r.txt"});
}

// ---------------------------------------------------------------------------
// The language of messages, and standard output that cannot be written

TEST_F(CommandLineTest, SystemTextsFollowTheLocaleTheProgramsOwnStayJapanese) {
  struct Case {
    std::vector<std::string> environment;  // over LANG=ja_JP.UTF-8 alone
    bool japanese;
  };
  const std::vector<Case> cases = {
      {{}, true},
      {{"LANG=C.UTF-8"}, false},
      {{"LANG=en_US.UTF-8"}, false},
      {{"LC_MESSAGES=ja_JP.UTF-8", "LANG=C.UTF-8"}, true},
      {{"LC_MESSAGES=C.UTF-8"}, false},
      {{"LC_ALL=C.UTF-8", "LC_MESSAGES=ja_JP.UTF-8"}, false},
      {{"LANG=ja_JP.eucJP", "LC_CTYPE=C.UTF-8"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.environment));
    RunResult missing = run({"in", "$T/missing/", "out", "r.txt"}, {"", c.environment, false});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              expand(failure(
                  "in $T/missing/",
                  c.japanese ? PATH_NOT_FOUND : "The system cannot find the path specified.")));
    RunResult unknown = run({"bogus"}, {"", c.environment, false});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, unknownOption("bogus"));
  }
}

TEST_F(CommandLineTest, HelpAndVersionThatCannotBeWrittenEndWithStatus2) {
  struct Case {
    const char* option;
    std::string output;  // "" for a closed standard output
    std::string text;
  };
  const std::vector<Case> cases = {
      {"--help", "/dev/full", DISK_FULL},
      {"--version", "/dev/full", DISK_FULL},
      {"--help", "", u8"ハンドルが無効です。"},
      {"--version", "", u8"ハンドルが無効です。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " > " + c.output);
    pid_t pid = start({c.option}, {}, c.output);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_EQ(readFile(errPath()), failure(c.option, c.text));
  }
}

}  // namespace
}  // namespace qv::test
