// The command line on Windows. Messages are boxes here, so what a run shows
// is read in-process, through ReportApp with its box function replaced; the
// real quorvel.exe is run (as a child, through CreateProcessA) for the runs
// that show nothing: what it writes, its exit status, the runtime's splitting
// of its command line, and "exec" starting the registered program.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/report_app.h"
#include "base/error.h"
#include "report/report_writer.h"
#include "test_support.h"

namespace qv::test {
namespace {

// 2001-09-09 01:46:40 UTC, 10:46:40 in JST.
constexpr int64_t A_TXT_TIME = 1000000000;

struct Box {
  std::string text;
  std::string caption;
  unsigned style;
};

std::string systemText(uint32_t code) {
  Exception e(code);
  return e.text() != nullptr ? e.text() : "";
}

// The command line's text for a failure of what (an argument and its value).
std::string failure(const std::string& what, uint32_t code) {
  std::string text = systemText(code);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return what + ": " + text;
}

std::string unknownOption(const std::string& argument) {
  return "不明なオプションです: " + argument;
}

// Registers ".txt" as a type of the tests' own whose open command is command
// (none when empty), and puts the previous registration back afterwards.
class Association {
 public:
  explicit Association(const std::string& command) {
    char buffer[1024];
    DWORD size = sizeof buffer;
    if (RegGetValueA(HKEY_CLASSES_ROOT, ".txt", "", RRF_RT_REG_SZ, nullptr, buffer, &size) ==
        ERROR_SUCCESS) {
      saved_ = buffer;
    }
    set(".txt", "QuorvelTest.Run");
    if (!command.empty()) set(COMMAND_KEY, command);
  }
  ~Association() {
    for (const char* key : {COMMAND_KEY, "QuorvelTest.Run\\shell\\open", "QuorvelTest.Run\\shell",
                            "QuorvelTest.Run"}) {
      RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    }
    if (saved_) set(".txt", *saved_);
  }
  Association(const Association&) = delete;
  Association& operator=(const Association&) = delete;

 private:
  static constexpr const char* COMMAND_KEY = "QuorvelTest.Run\\shell\\open\\command";

  static void set(const char* subkey, const std::string& text) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subkey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
      RegCloseKey(key);
    }
  }

  std::optional<std::string> saved_;
};

// A temporary directory holding in\ with a.txt (5 bytes, fixed time),
// sub\b.txt, 表\ソース.txt and a hidden .dot.
class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(useJapanTime());
    makeDirs(dir_ / "in/sub");
    makeDirs(dir_ / "in/表");
    writeFile(dir_ / "in/a.txt", "hello");
    setModifiedTime(dir_ / "in/a.txt", A_TXT_TIME);
    writeFile(dir_ / "in/sub/b.txt");
    writeFile(dir_ / "in/表/ソース.txt");
    writeFile(dir_ / "in/.dot");
    markHidden(dir_ / "in/.dot");
  }

  // Runs the application in-process; every box it shows is kept in boxes.
  int runInProcess(const std::vector<std::string>& arguments) {
    ReportApp app;
    app.setBoxFunction([this](WindowHandle, const char* text, const char* caption, unsigned style) {
      boxes.push_back({text, caption, style});
      return BUTTON_OK;
    });
    std::vector<Path> list;
    for (const std::string& argument : arguments) list.push_back(String(argument.c_str()));
    return app.run(list);
  }

  RunResult run(const std::vector<std::string>& arguments) {
    RunOptions options;
    options.workingDirectory = dir_.path();
    return runQuorvel(arguments, options);
  }

  TempDir dir_;
  std::vector<Box> boxes;
};

TEST_F(CommandLineTest, MessagesAreWarningBoxesCaptionedWithTheName) {
  const std::string in = dir_ / "in/";
  const std::string report = dir_ / "r.txt";
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    std::optional<std::string> text;  // none for no box
  };
  const std::vector<Case> cases = {
      {"unknown argument", {"in", in, "x", "out", report}, 1, unknownOption("x")},
      {"unknown argument after ne", {"ne", "-help"}, 1, unknownOption("-help")},
      {"in without a value", {"out", report, "in"}, 2, failure("in", CODE_INVALID_PARAMETER)},
      {"missing input",
       {"in", dir_ / "missing/", "out", report},
       2,
       failure("in " + dir_ / "missing/", CODE_PATH_NOT_FOUND)},
      {"output is a directory",
       {"in", in, "out", dir_ / "in"},
       2,
       failure("out " + dir_ / "in", CODE_ACCESS_DENIED)},
      {"output in a missing directory",
       {"in", in, "out", dir_ / "nodir/r.txt"},
       2,
       failure("out " + dir_ / "nodir/r.txt", CODE_PATH_NOT_FOUND)},
      {"missing input, ne", {"ne", "in", dir_ / "missing/", "out", report}, 2, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.clear();
    EXPECT_EQ(runInProcess(c.arguments), c.status);
    if (!c.text) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_FALSE(c.text->empty()) << "the system has no text for this code";
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, *c.text);
      EXPECT_EQ(boxes[0].caption, "Quorvel");
      EXPECT_EQ(boxes[0].style, BOX_WARNING);
    }
    EXPECT_FALSE(exists(report));
  }
}

TEST_F(CommandLineTest, AReadOnlyReportIsKeptAndNoTemporaryFileLeft) {
  const std::string in = dir_ / "in/";
  writeFile(dir_ / "old.txt", "old\r\n");
  makeReadOnly(dir_ / "old.txt");
  EXPECT_EQ(runInProcess({"in", in, "out", dir_ / "old.txt"}), 2);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, failure("out " + dir_ / "old.txt", CODE_ACCESS_DENIED));
  EXPECT_EQ(readFile(dir_ / "old.txt"), "old\r\n");
  EXPECT_EQ(listDirectory(dir_.path()), (std::vector<std::string>{"in", "old.txt"}));
}

TEST_F(CommandLineTest, ExecWithoutAUsableViewerSaysSoAfterWritingTheReport) {
  struct Case {
    const char* name;
    std::string command;  // "" for no command key
  };
  const std::vector<Case> cases = {
      {"no command", ""},
      {"viewer program missing", "\"" + dir_ / "no-such-viewer.exe" + "\" \"%1\""},
  };
  for (const Case& c : cases) {
    Association association(c.command);
    for (bool silent : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (silent ? " with ne" : ""));
      boxes.clear();
      std::vector<std::string> arguments = {"in", dir_ / "in/", "exec", "out", dir_ / "r.txt"};
      if (silent) arguments.push_back("ne");
      EXPECT_EQ(runInProcess(arguments), 2);
      if (silent) {
        EXPECT_TRUE(boxes.empty());
      } else {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, LAUNCH_FAILED_TEXT);
        EXPECT_EQ(boxes[0].style, BOX_WARNING);
      }
      EXPECT_EQ(readFile(dir_ / "r.txt").rfind("[" + dir_ / "in/]\r\n", 0), 0u);
    }
  }
}

TEST_F(CommandLineTest, TheProgramWritesTheReportAndShowsNothing) {
  const std::string in = dir_ / "in/";
  // One-digit sizes, right-aligned in 14 columns after a space.
  auto sized = [](const char* glyphs, char size, const char* name) {
    return std::string(glyphs) + " " + std::string(13, ' ') + size + "  A  " + name;
  };
  const std::string expected = lines({"[" + in + "]", "├[sub]", sized("｜└", '0', "b.txt"), "├[表]",
                                      sized("｜└", '0', "ソース.txt"), sized("└", '5', "a.txt")});
  for (const char* size : {"s", "-s", "/s"}) {
    SCOPED_TRACE(size);
    RunResult result = run({"in", in, size, "a", "out", "r.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(dir_ / "r.txt"), expected);
  }
  RunResult timed = run({"in", in, "t", "hidden", "out", "t.txt"});
  EXPECT_EQ(timed.status, 0);
  std::string report = readFile(dir_ / "t.txt");
  EXPECT_NE(report.find("└ 2001/09/09 10:46:40  a.txt\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find(".dot\r\n"), std::string::npos) << report;
}

TEST_F(CommandLineTest, OutDashWritesToStandardOutputInUtf8WithTheNamesTheProgramReads) {
  const std::string in = dir_ / "in/";
  // in/ holds sub/ (b.txt), 表/ (ソース.txt) and a.txt: the names the A calls
  // give, made UTF-8.
  RunResult result = run({"in", in, "exclude", "sub", "utf8", "lf", "summary", "out", "-"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "[" + in + "]\n" + u8"├[表]\n｜└ソース.txt\n└a.txt\n" +
                            u8"1 ディレクトリ、2 ファイル、5 バイト\n");
  EXPECT_FALSE(exists(dir_ / "tree.txt"));
  boxes.clear();
  EXPECT_EQ(runInProcess({"in", in, "out", "-", "exec"}), 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "out - exec: 標準出力には exec を使えません");
}

TEST_F(CommandLineTest, DefaultsAndTheRuntimesSplittingOfTheCommandLine) {
  makeDirs(dir_ / "with space/表");
  writeFile(dir_ / "with space/表/x.txt");
  struct Case {
    std::vector<std::string> arguments;
    std::string output;  // below the temporary directory
    std::string listed;  // below the temporary directory, with its separator
  };
  const std::vector<Case> cases = {
      {{"s"}, "tree.txt", "/"},
      {{"in", "in\\sub\\", "out", "my report.txt"}, "my report.txt", "in/sub/"},
      // The trail byte of 表 is a backslash; the one after it ends the path.
      {{"in", dir_ / "with space/表/", "out", "j.txt"}, "j.txt", "with space/表/"},
      {{"in", "with space\\表\\*.txt", "out", "k.txt"}, "k.txt", "with space/表/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    RunResult result = run(c.arguments);
    EXPECT_EQ(result.status, 0);
    std::string listed = c.listed == "/" ? dir_.path() + SEPARATOR : dir_ / c.listed;
    EXPECT_EQ(readFile(dir_ / c.output).rfind("[" + listed + "]\r\n", 0), 0u)
        << readFile(dir_ / c.output);
  }
}

TEST_F(CommandLineTest, NeLeavesAFailedRunSilentWithStatus2) {
  RunResult result = run({"ne", "in", dir_ / "missing/", "out", "r.txt"});
  EXPECT_EQ(result.status, 2);
  EXPECT_FALSE(exists(dir_ / "r.txt"));
}

TEST_F(CommandLineTest, ExecStartsTheRegisteredProgramOnTheFinishedReport) {
  // The registered viewer is quorvel.exe itself: given the report's name "ne"
  // as its one argument, it lists its working directory into tree.txt.
  Association association("\"" + quorvelPath() + "\" \"%1\"");
  RunResult result = run({"in", dir_ / "in/", "exec", "out", "ne"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(readFile(dir_ / "ne").rfind("[" + dir_ / "in/]\r\n", 0), 0u);
  for (int i = 0; i < 100 && readFile(dir_ / "tree.txt").empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::string tree = readFile(dir_ / "tree.txt");
  EXPECT_EQ(tree.rfind("[" + dir_.path() + SEPARATOR + "]\r\n", 0), 0u) << tree;
  EXPECT_NE(tree.find("ne\r\n"), std::string::npos) << tree;
}

}  // namespace
}  // namespace qv::test
