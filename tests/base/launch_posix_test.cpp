// startProgram() on POSIX. The tests start small shell scripts that write
// down how they were started.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

#include "base/platform.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// A temporary directory holding a recording script at bin/record (bin is
// first on PATH), "bin/record two" and "My Editor/ed". Each writes, to the
// file record, its pid, parent pid, session id, what its stdin is, then its
// arguments, one per line. PATH is restored afterwards.
class LaunchFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = temp_.path();
    const char* path = getenv("PATH");
    savedPath_ = path != nullptr ? std::optional<std::string>(path) : std::nullopt;
    setenv("PATH", (root_ + "/bin:" + (path != nullptr ? path : "/usr/bin:/bin")).c_str(), 1);
    for (const char* script : {"bin/record", "bin/record two", "My Editor/ed"}) {
      writeScript(script);
    }
  }

  void TearDown() override {
    if (savedPath_) {
      setenv("PATH", savedPath_->c_str(), 1);
    } else {
      unsetenv("PATH");
    }
  }

  std::string recordPath() const { return root_ + "/record"; }

  void write(const std::string& relative, const std::string& text, fs::perms perms) {
    fs::path path = fs::path(root_) / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, perms);
  }

  void writeScript(const std::string& relative) {
    // Written to a side file and renamed, so that the record appears whole.
    write(relative,
          "#!/bin/sh\n"
          "out='" +
              recordPath() +
              "'\n"
              "{\n"
              "  echo $$\n"
              "  echo $PPID\n"
              "  cut -d' ' -f6 /proc/$$/stat\n"
              "  readlink /proc/$$/fd/0\n"
              "  for a in \"$@\"; do printf '%s\\n' \"$a\"; done\n"
              "} > \"$out.part\"\n"
              "mv \"$out.part\" \"$out\"\n",
          fs::perms(0755));
  }

  // The lines of the record, once the started program has written it; none
  // when it does not appear within a few seconds.
  std::optional<std::vector<std::string>> waitForRecord() {
    for (int i = 0; i < 500; ++i) {
      std::ifstream in(recordPath());
      if (in) {
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

  std::string substituteRoot(const char* text) const {
    std::string result = text;
    for (size_t at = result.find('@'); at != std::string::npos; at = result.find('@', at)) {
      result.replace(at, 1, root_);
      at += root_.size();
    }
    return result;
  }

  test::TempDir temp_;
  std::string root_;
  std::optional<std::string> savedPath_;
};

constexpr size_t RECORD_HEADER_LINES = 4;

// In program, '@' stands for the temporary directory.
struct LaunchCase {
  const char* name;
  const char* program;
  const char* parameters;
  std::vector<std::string> arguments;
};
void PrintTo(const LaunchCase& c, std::ostream* os) {
  *os << c.name;
}

class LaunchStarts : public LaunchFixture, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(LaunchStarts, PassesParametersAsLastArgument) {
  const LaunchCase& c = GetParam();
  ASSERT_TRUE(startProgram(substituteRoot(c.program).c_str(), c.parameters));
  auto record = waitForRecord();
  ASSERT_TRUE(record) << "the program did not run";
  ASSERT_GE(record->size(), RECORD_HEADER_LINES);
  std::vector<std::string> arguments(record->begin() + RECORD_HEADER_LINES, record->end());
  EXPECT_EQ(arguments, c.arguments);
}

const LaunchCase LAUNCH_CASES[] = {
    {"AbsolutePath", "@/bin/record", "report.txt", {"report.txt"}},
    {"SearchedOnPath", "record", "/tmp/a b/report.txt", {"/tmp/a b/report.txt"}},
    {"ParameterPassedUnchanged", "record", "\"x y\" %1 $HOME *", {"\"x y\" %1 $HOME *"}},
    {"OptionsAfterProgramName", "record -b", "r.txt", {"-b", "r.txt"}},
    {"ManySpacesBetweenWords", "record  -b   --new ", "r.txt", {"-b", "--new", "r.txt"}},
    {"PathWithSpaces", "@/My Editor/ed", "r.txt", {"r.txt"}},
    {"PathWithOptions", "@/bin/record -b", "r.txt", {"-b", "r.txt"}},
    {"WholeNameBeforeSplit", "record two", "r.txt", {"r.txt"}},
    {"EmptyParametersAddNothing", "record -b", "", {"-b"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, LaunchStarts, ::testing::ValuesIn(LAUNCH_CASES),
                         [](const ::testing::TestParamInfo<LaunchCase>& info) {
                           return std::string(info.param.name);
                         });

class LaunchDetaches : public LaunchFixture {};

TEST_F(LaunchDetaches, ProgramIsNotOurChildAndLeavesNoZombie) {
  // Our stdin is pointed at a file for the call, so that the program's
  // /dev/null cannot be inherited.
  write("input", "", fs::perms(0644));
  int savedInput = dup(STDIN_FILENO);
  int input = open((root_ + "/input").c_str(), O_RDONLY);
  ASSERT_GE(input, 0);
  dup2(input, STDIN_FILENO);
  close(input);
  bool started = startProgram("record", "r.txt");
  dup2(savedInput, STDIN_FILENO);
  close(savedInput);
  ASSERT_TRUE(started);
  auto record = waitForRecord();
  ASSERT_TRUE(record);
  ASSERT_GE(record->size(), RECORD_HEADER_LINES);
  const std::vector<std::string>& lines = *record;
  EXPECT_NE(lines[1], std::to_string(getpid())) << "started as our own child";
  EXPECT_EQ(lines[2], lines[0]) << "not in a session of its own";
  EXPECT_EQ(lines[3], "/dev/null");
  EXPECT_LE(waitpid(-1, nullptr, WNOHANG), 0) << "an exited child was left unreaped";
}

struct FailureCase {
  const char* name;
  const char* program;
  uint32_t code;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class LaunchFails : public LaunchFixture, public ::testing::WithParamInterface<FailureCase> {
 protected:
  void SetUp() override {
    LaunchFixture::SetUp();
    write("plain.txt", "not a program\n", fs::perms(0644));
    write("bin/plain", "#!/bin/sh\n", fs::perms(0644));
    write("bad-interpreter", "#!/nonexistent/sh\n", fs::perms(0755));
  }
};

TEST_P(LaunchFails, ReportsWhy) {
  setLastError(0);
  EXPECT_FALSE(startProgram(substituteRoot(GetParam().program).c_str(), "r.txt"));
  EXPECT_EQ(lastError(), GetParam().code);
  EXPECT_FALSE(fs::exists(recordPath()));
}

const FailureCase FAILURE_CASES[] = {
    {"NotOnPath", "qv-no-such-program", CODE_FILE_NOT_FOUND},
    {"NoSuchPath", "@/bin/missing", CODE_FILE_NOT_FOUND},
    {"FirstWordNotFound", "qv-no-such-program -b", CODE_FILE_NOT_FOUND},
    {"EmptyName", "", CODE_FILE_NOT_FOUND},
    {"NotExecutable", "@/plain.txt", CODE_ACCESS_DENIED},
    {"NotExecutableOnPath", "plain", CODE_ACCESS_DENIED},
    {"Directory", "@/bin", CODE_ACCESS_DENIED},
    {"ExecFails", "@/bad-interpreter", CODE_FILE_NOT_FOUND},
};

INSTANTIATE_TEST_SUITE_P(Cases, LaunchFails, ::testing::ValuesIn(FAILURE_CASES),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qv
