// The Windows walk with its read-ahead: directories listed on other threads
// before the walk gets to them must give the report the walk gives reading
// each one at its turn, each directory as it was when it was read.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/text_output_file.h"
#include "report/find_handle.h"
#include "report/report_test.h"
#include "report/report_writer.h"
#include "test_support.h"

namespace qv {
namespace {

using test::makeDirs;
using test::readFile;
using test::writeFile;

class WindowsReadAheadTest : public test::ReportTest {
 protected:
  // walkReport() of root (ending in "\").
  std::string report(
      const std::string& root, const std::string& atDirectory = std::string(),
      const std::function<void()>& change = [] {}, const std::string& pattern = "*.*") {
    return walkReport(root, atDirectory, change, std::string(), pattern);
  }

  // A tree of 3 levels: a to l, each with sub1 and sub2 and files.
  std::string makeTree() {
    std::string t = dir / "t/";
    for (char top = 'a'; top <= 'l'; ++top) {
      std::string d = t + top + "\\";
      for (const char* sub : {"sub1", "sub2"}) {
        makeDirs(d + sub);
        writeFile(d + sub + "\\f.txt", "12345");
        writeFile(d + sub + "\\g.dat");
      }
      writeFile(d + "x.txt", std::string(static_cast<size_t>(top - 'a'), 'x'));
    }
    makeDirs(t + "skip\\inner");
    makeDirs(t + "hidden\\inner");
    test::markHidden(t + "hidden");
    writeFile(t + "top.txt");
    return t;
  }
};

TEST_F(WindowsReadAheadTest, ReportsAreTheSameWithThreadsReadingAheadAndWithout) {
  struct Case {
    const char* name;
    std::function<void(ReportOptions& o)> set;
    const char* pattern;
  };
  const std::vector<Case> cases = {
      {"names", [](ReportOptions&) {}, "*.*"},
      {"details",
       [](ReportOptions& o) {
         o.showSize = true;
         o.showTime = true;
         o.showAttributes = true;
       },
       "*.*"},
      {"a pattern the system's find matches", [](ReportOptions&) {}, "*.TXT"},
      {"excluded names",
       [](ReportOptions& o) {
         o.excludePatterns = {"sk*", "sub2"};
       },
       "*"},
      {"one level", [](ReportOptions& o) { o.maxDepth = 1; }, "*.*"},
      {"hidden ones shown", [](ReportOptions& o) { o.skipAttributes = 0; }, "*.*"},
      {"sorted by size", [](ReportOptions& o) { o.order = EntryOrder::SIZE; }, "*.*"},
  };
  std::string t = makeTree();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writer.options = ReportOptions();
    c.set(writer.options);
    std::string alone = report(
        t, std::string(), [] {}, c.pattern);
    EXPECT_EQ(report(
                  t, t + "a\\", [] {}, c.pattern),
              alone);
  }
}

TEST_F(WindowsReadAheadTest, ADirectoryChangedAfterItWasReadShowsAsItWasRead) {
  struct Case {
    const char* name;
    std::function<void(const std::string& t)> change;
  };
  const std::vector<Case> cases = {
      {"a file added", [](const std::string& t) { writeFile(t + "k\\new.txt"); }},
      {"a file removed",
       [](const std::string& t) { ASSERT_TRUE(DeleteFileA((t + "k\\x.txt").c_str())); }},
      {"a directory removed",
       [](const std::string& t) {
         ASSERT_TRUE(DeleteFileA((t + "l\\sub2\\f.txt").c_str()));
         ASSERT_TRUE(DeleteFileA((t + "l\\sub2\\g.dat").c_str()));
         ASSERT_TRUE(RemoveDirectoryA((t + "l\\sub2").c_str()));
       }},
      {"a directory renamed",
       [](const std::string& t) {
         ASSERT_TRUE(MoveFileA((t + "j\\sub1").c_str(), (t + "j\\sub9").c_str()));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir place(dir.path());
    std::string t = place / "t/";
    for (const char* sub : {"a\\s", "j\\sub1", "k", "l\\sub2"}) makeDirs(t + sub);
    for (const char* file : {"j\\sub1\\f.txt", "k\\x.txt", "l\\sub2\\f.txt", "l\\sub2\\g.dat"}) {
      writeFile(t + file);
    }
    std::string before = report(t);
    // Every directory was read when the walk enters a: the report is the
    // tree's as it was, whole directories and nothing of the change.
    EXPECT_EQ(report(t, t + "a\\", [&] { c.change(t); }), before);
    EXPECT_NE(report(t), before);
  }
}

// Makes the directory at path (native, of any length) and those above it.
void makeLongDirs(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 7);; at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    if (at == std::wstring::npos) break;
  }
}

TEST_F(WindowsReadAheadTest, ATreeDeeperThanMaxPathIsListedWhole) {
  // 150 levels of 13 characters: about 2,000 characters, beyond the 260 of
  // a path without the extended-length prefix.
  std::string t = dir / "deep/";
  makeDirs(t + "a");
  std::wstring path = L"\\\\?\\" + nativeOf(t + "a\\");
  std::vector<std::string> expected = {"[" + t + "]", "└[a]"};
  std::string prefix = "　";
  for (int i = 0; i < 150; ++i) {
    char name[16];
    snprintf(name, sizeof name, "level-%03d-dir", i);
    path += nativeOf(name) + L"\\";
    expected.push_back(prefix + "└[" + name + "]");
    prefix += "　";
  }
  makeLongDirs(path);
  HANDLE file = CreateFileW((path + L"end.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  expected.push_back(prefix + "└end.txt");
  std::string alone = report(t);
  EXPECT_EQ(report(t, t + "a\\"), alone);
  EXPECT_EQ(alone, test::lines(expected));
}

}  // namespace
}  // namespace qv
