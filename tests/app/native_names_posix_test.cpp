// The real program on trees and arguments built to mislead it: names with no
// code page 932 form given on the command line, a removed working directory,
// a small descriptor limit, a small stack and little memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace qv::test {
namespace {

// A sanitizer's own runtime needs more descriptors, stack and address space
// than the smallest limits below leave, and takes a segmentation fault for
// itself: those tests are for the program as it ships.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif

class NativeNamesTest : public ::testing::Test {
 protected:
  RunResult run(const std::vector<std::string>& arguments, RunOptions options = RunOptions()) {
    if (options.workingDirectory.empty()) options.workingDirectory = dir_.path();
    // Japanese messages, UTF-8 text, whatever the machine's own locale.
    options.environment = {"LANG=ja_JP.UTF-8", "LC_ALL=", "LC_MESSAGES=", "LC_CTYPE=C.UTF-8",
                           "TZ=JST-9"};
    return runQuorvel(arguments, options);
  }

  TempDir dir_;
};

// A chain of depth directories named "d" under top, each holding a file "f",
// made by descriptors.
void makeChain(const std::string& top, int depth) {
  makeDirs(top);
  int fd = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int level = 0; level < depth; ++level) {
    ASSERT_EQ(mkdirat(fd, "d", 0777), 0);
    int file = openat(fd, "f", O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(file, 0);
    close(file);
    int child = openat(fd, "d", O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = child;
    ASSERT_GE(fd, 0);
  }
  close(fd);
}

// The path-list report of such a chain: the deepest file first.
std::string chainReport(const std::string& top, int depth) {
  std::vector<std::string> expected = {"[" + top + "/]"};
  for (int level = depth - 1; level >= 0; --level) {
    std::string path = top;
    for (int i = 0; i < level; ++i) path += "/d";
    expected.push_back(path + "/f");
  }
  return lines(expected);
}

TEST_F(NativeNamesTest, InAndOutAreTheDirectoriesNamedNotTheirLookAlikes) {
  const std::string e = u8"é";
  makeDirs(dir_ / "t/" + e);
  makeDirs(dir_ / "t/?");
  writeFile(dir_ / "t/" + e + "/notes.txt", "keep");
  writeFile(dir_ / "t/?/q.txt");
  writeFile(dir_ / "t/" + e + "/e.txt");

  RunResult result = run({"in", dir_ / "t/?/", "out", dir_ / "t/?/notes.txt"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(dir_ / "t/" + e + "/notes.txt"), "keep");
  // A new report is made empty at its name first, so it is in its own
  // listing, and replaced whole when complete.
  EXPECT_EQ(readFile(dir_ / "t/?/notes.txt"),
            lines({"[" + dir_ / "t/?/]", "├notes.txt", "└q.txt"}));

  result = run({"in", dir_ / "t/" + e + "/", "out", dir_ / "e-report.txt"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(dir_ / "e-report.txt"), lines({"[" + dir_ / "t/?/]", "├e.txt", "└notes.txt"}));

  // Written where named, under a name of no CP932 form.
  result = run({"in", dir_ / "t/?/", "out", "r" + e + ".txt"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(exists(dir_ / "r" + e + ".txt"));
  EXPECT_FALSE(exists(dir_ / "r?.txt"));
}

TEST_F(NativeNamesTest, APatternCharacterWithoutCp932FormMatchesOnlyItself) {
  const std::string cafe = u8"café.txt";
  makeDirs(dir_ / "p");
  for (const std::string& name :
       {cafe, std::string("cafe.txt"), std::string("cafX.txt"), std::string(u8"cafü.txt")}) {
    writeFile(dir_ / "p/" + name);
  }
  RunResult result = run({"in", dir_ / "p/" + cafe, "out", "r.txt"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(dir_ / "r.txt"), lines({"[" + dir_ / "p/]", "└caf?.txt"}));
  // A "?" of the pattern itself still stands for any one character.
  result = run({"in", dir_ / "p/caf?.txt", "out", "r.txt"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(dir_ / "r.txt"),
            lines({"[" + dir_ / "p/]", "├cafe.txt", "├cafX.txt", "├caf?.txt", "└caf?.txt"}));
}

TEST_F(NativeNamesTest, ARemovedWorkingDirectoryMakesRelativePathsAnError) {
  makeDirs(dir_ / "in");
  writeFile(dir_ / "in/a.txt");
  makeDirs(dir_ / "gone");
  RunOptions options;
  options.workingDirectory = dir_ / "gone";
  options.removeWorkingDirectory = true;
  const std::string message = u8": カレント ディレクトリが存在しません。\n";
  struct Case {
    std::vector<std::string> arguments;
    std::string notWritten;  // where the path would lead from the root
    std::string what;        // the argument the message names
  } cases[] = {
      {{"in", dir_ / "in/", "out", "quorvel-gone-test.txt"},
       "/quorvel-gone-test.txt",
       "out quorvel-gone-test.txt"},
      {{"in", dir_ / "in/"}, "/tree.txt", "out ./tree.txt"},
      {{"in", "in/", "out", dir_ / "r.txt"}, dir_ / "r.txt", "in in/"},
  };
  for (const Case& c : cases) {
    bool existedBefore = exists(c.notWritten);
    makeDirs(dir_ / "gone");
    RunResult result = run(c.arguments, options);
    EXPECT_EQ(result.status, 2) << c.arguments[1];
    EXPECT_EQ(result.err, "Quorvel: " + c.what + message) << c.arguments[1];
    if (!existedBefore) {
      EXPECT_FALSE(exists(c.notWritten)) << c.notWritten;
    }
  }
}

TEST_F(NativeNamesTest, ASmallDescriptorLimitStillListsEveryLevel) {
  std::string top = dir_ / "chain";
  makeChain(top, 1000);
  for (long limit : {256L, 64L, 32L}) {
    RunOptions options;
    options.descriptorLimit = limit;
    // The size column reads every file through its directory's descriptor.
    RunResult result = run({"in", top + "/", "out", dir_ / "r.txt", "p"}, options);
    ASSERT_EQ(result.status, 0) << limit << result.err;
    EXPECT_EQ(readFile(dir_ / "r.txt"), chainReport(top, 1000)) << limit;
    result = run({"in", top + "/", "out", dir_ / "r.txt", "p", "a"}, options);
    ASSERT_EQ(result.status, 0) << limit << result.err;
    std::string report = readFile(dir_ / "r.txt");
    EXPECT_EQ(report.find(" R"), std::string::npos) << limit;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1001) << limit;
  }
}

TEST_F(NativeNamesTest, TooFewDescriptorsGiveAnErrorNeverAWrongReport) {
  if (SANITIZED) GTEST_SKIP() << "not under a sanitizer";
  std::string bottom = dir_ / "tree";
  for (int level = 0; level < 12; ++level) bottom += "/l" + std::to_string(level);
  makeDirs(bottom);
  writeFile(bottom + u8"/日本語.txt");
  const std::vector<std::string> arguments = {"in", dir_ / "tree/", "out", dir_ / "r.txt", "s"};
  RunResult reference = run(arguments);
  ASSERT_EQ(reference.status, 0) << reference.err;
  const std::string expected = readFile(dir_ / "r.txt");
  ASSERT_NE(expected.find("\x93\xFA\x96\x7B\x8C\xEA.txt"), std::string::npos);
  const std::string tooMany = u8": 開いているファイルが多すぎるため、ファイルを開けません。\n";
  for (long limit = 4; limit <= 14; ++limit) {
    std::remove((dir_ / "r.txt").c_str());
    RunOptions options;
    options.descriptorLimit = limit;
    RunResult result = run(arguments, options);
    if (result.status == 0) {
      EXPECT_EQ(result.err, "") << limit;
      EXPECT_EQ(readFile(dir_ / "r.txt"), expected) << limit;
    } else {
      EXPECT_EQ(result.status, 2) << limit;
      EXPECT_EQ(result.err.rfind("Quorvel: ", 0), 0u) << limit << result.err;
      EXPECT_TRUE(result.err.size() > tooMany.size() &&
                  result.err.compare(result.err.size() - tooMany.size(), tooMany.size(), tooMany) ==
                      0)
          << limit << result.err;
      EXPECT_FALSE(exists(dir_ / "r.txt")) << limit;
    }
  }
}

TEST_F(NativeNamesTest, TheDeepestTreeAPathAllowsIsListedOnASmallStack) {
  // Each level adds "/d": the deepest directory whose path fits the limit.
  std::string top = dir_ / "deep";
  int depth = static_cast<int>((4095 - top.size()) / 2);
  makeChain(top, depth + 1);
  RunOptions options;
  options.stackLimitBytes = 1024 * 1024;
  RunResult result = run({"in", top + "/", "out", dir_ / "r.txt", "p"}, options);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(dir_ / "r.txt"), chainReport(top, depth + 1));
}

TEST_F(NativeNamesTest, AVerySmallStackListsTheTreeOrSaysItIsTooSmall) {
  if (SANITIZED) GTEST_SKIP() << "not under a sanitizer";
  makeDirs(dir_ / "three");
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) writeFile(dir_ / "three/" + name);
  const std::string message = u8"Quorvel: スタックが小さすぎるため、続けられません。\n";
  for (bool columns : {false, true}) {
    std::vector<std::string> arguments = {"in", dir_ / "three/", "out", dir_ / "r.txt"};
    if (columns) arguments.insert(arguments.end(), {"s", "t", "a", "f"});
    ASSERT_EQ(run(arguments).status, 0);
    const std::string expected = readFile(dir_ / "r.txt");
    // 16 KiB is below what the system's own ls needs; at 10 KiB not even
    // /bin/true starts.
    for (long kib : {40L, 32L, 24L, 16L}) {
      std::remove((dir_ / "r.txt").c_str());
      RunOptions options;
      options.stackLimitBytes = kib * 1024;
      RunResult result = run(arguments, options);
      if (result.status == 0) {
        EXPECT_EQ(readFile(dir_ / "r.txt"), expected) << kib;
      } else {
        EXPECT_EQ(result.status, 2) << kib << " KiB" << (columns ? " with columns" : "");
        EXPECT_EQ(result.err, message) << kib;
      }
      if (kib >= 32) {
        EXPECT_EQ(result.status, 0) << kib << " KiB" << result.err;
      }
    }
  }
}

TEST_F(NativeNamesTest, RunningOutOfMemoryEndsWithStatus2AndNeverACrash) {
  if (SANITIZED) GTEST_SKIP() << "not under a sanitizer";
  // Enough directories for the read-ahead's threads to start; their stacks
  // made small so that they fit beside the walk in so little memory.
  for (int d = 0; d < 400; ++d) {
    std::string directory = dir_ / ("t/d" + std::to_string(d) + "/sub");
    makeDirs(directory);
    for (int f = 0; f < 20; ++f) writeFile(directory + "/file-" + std::to_string(f) + ".txt");
  }
  const std::string message = u8"Quorvel: この操作を完了するのに十分なメモリがありません。\n";
  int failed = 0;
  for (long kib = 6500; kib <= 12000; kib += 125) {
    RunOptions options;
    options.memoryLimitBytes = kib * 1024;
    options.stackLimitBytes = 256 * 1024;
    RunResult result =
        run({"in", dir_ / "t/", "out", dir_ / "r.txt", "all", "s", "t", "a", "f"}, options);
    ASSERT_TRUE(result.status == 0 || result.status == 2)
        << kib << " KiB: status " << result.status << " " << result.err;
    if (result.status == 2) {
      // Or, when the limit leaves too little for the program to start, the
      // system's own words, as no Japanese text can be shown without the
      // conversion's tables.
      if (result.err != message) {
        EXPECT_EQ(result.err.rfind("Quorvel: ", 0), 0u) << kib << " KiB: " << result.err;
        EXPECT_EQ(result.err.find('?'), std::string::npos) << kib << " KiB: " << result.err;
      }
      ++failed;
    }
  }
  // The smallest limits are too small for the run; the largest are not.
  EXPECT_GT(failed, 0);
  EXPECT_LT(failed, 45);
}

}  // namespace
}  // namespace qv::test
