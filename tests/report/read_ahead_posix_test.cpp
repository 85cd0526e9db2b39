// The walk with its read-ahead: directories read on other threads before the
// walk gets to them must give the report the walk would give reading each
// one at its turn, also when the tree changes in between.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "base/text_output_file.h"
#include "report/find_handle.h"
#include "report/read_ahead_posix.h"
#include "report/report_test.h"
#include "report/report_writer.h"
#include "test_support.h"

namespace qv {
namespace {

using test::lines;
using test::makeDirs;
using test::readFile;
using test::writeFile;

// Waits until the clock that stamps changes has moved past the last change of
// every one of paths, so that a change made from now on gives each of them
// another change time (a change within the same tick might not).
void waitForTheNextTick(const std::vector<std::string>& paths) {
  struct timespec latest = {};
  for (const std::string& path : paths) {
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
    if (st.st_ctim.tv_sec > latest.tv_sec ||
        (st.st_ctim.tv_sec == latest.tv_sec && st.st_ctim.tv_nsec > latest.tv_nsec)) {
      latest = st.st_ctim;
    }
  }
  for (;;) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    if (now.tv_sec > latest.tv_sec ||
        (now.tv_sec == latest.tv_sec && now.tv_nsec > latest.tv_nsec)) {
      return;
    }
    usleep(500);
  }
}

// Applies change to the directory at path, then makes sure that, if it is
// still there, its change time is not what it was (before): a change within
// the tick of the clock that stamped the last one, or within the file
// system's granularity, could leave it as it was. Its mode set again until
// the time moves.
void changeDirectory(const std::string& path, const std::function<void()>& change) {
  struct stat before;
  ASSERT_EQ(lstat(path.c_str(), &before), 0) << path;
  change();
  struct stat after;
  while (lstat(path.c_str(), &after) == 0 && S_ISDIR(after.st_mode) &&
         after.st_ino == before.st_ino && after.st_ctim.tv_sec == before.st_ctim.tv_sec &&
         after.st_ctim.tv_nsec == before.st_ctim.tv_nsec) {
    usleep(1000);
    ASSERT_EQ(chmod(path.c_str(), after.st_mode & 07777), 0) << path;
  }
}

class ReadAheadTest : public test::ReportTest {
 protected:
  // walkReport() of every file of root (ending in "/"), into output (by
  // default outside the tree).
  std::string report(const std::string& root, const std::string& atDirectory = std::string(),
                     const std::function<void()>& change = nullptr,
                     const std::string& output = std::string()) {
    return walkReport(root, atDirectory, change, output, "*.*");
  }
};

TEST_F(ReadAheadTest, ADirectoryChangedAfterItWasReadAheadShowsAsItIsAtItsTurn) {
  struct Case {
    const char* name;
    std::function<void(const std::string& t)> change;
    std::vector<std::string> body;
    bool needsAccessChecks;
  };
  const std::vector<Case> cases = {
      {"removed",
       [](const std::string& t) { ASSERT_EQ(system(("rm -rf '" + t + "b'").c_str()), 0); },
       {"├[b]", "└z.txt"},
       false},
      {"renamed",
       [](const std::string& t) { ASSERT_EQ(rename((t + "b").c_str(), (t + "b2").c_str()), 0); },
       {"├[b]", "└z.txt"},
       false},
      {"replaced by another directory",
       [](const std::string& t) {
         ASSERT_EQ(rename((t + "b").c_str(), (t + "../old-b").c_str()), 0);
         makeDirs(t + "b");
         writeFile(t + "b/new.txt");
       },
       {"├[b]", "｜└new.txt", "└z.txt"},
       false},
      {"replaced by a link to a directory",
       [](const std::string& t) {
         ASSERT_EQ(rename((t + "b").c_str(), (t + "../old-b").c_str()), 0);
         ASSERT_EQ(symlink("../old-b", (t + "b").c_str()), 0);
       },
       {"├[b]", "└z.txt"},
       false},
      {"given a file",
       [](const std::string& t) {
         writeFile(t + "b/added.txt");
         test::setModifiedTime(t + "b", test::SAMPLE_TIME);
       },
       {"├[b]", "｜├[c]", "｜｜└z.txt", "｜├added.txt", "｜└y.txt", "└z.txt"},
       false},
      {"without its subdirectory",
       [](const std::string& t) { ASSERT_EQ(system(("rm -rf '" + t + "b/c'").c_str()), 0); },
       {"├[b]", "｜└y.txt", "└z.txt"},
       false},
      {"made unreadable",
       [](const std::string& t) { ASSERT_EQ(chmod((t + "b").c_str(), 0), 0); },
       {"├[b]", "└z.txt"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsAccessChecks && test::runningAsRoot()) continue;
    test::TempDir tree(dir.path());
    std::string t = tree / "t/";
    makeDirs(t + "a");
    writeFile(t + "a/x.txt");
    makeDirs(t + "b/c");
    writeFile(t + "b/c/z.txt");
    writeFile(t + "b/y.txt");
    writeFile(t + "z.txt");
    // The listings read ahead are then taken by their times alone.
    waitForTheNextTick({t, t + "a", t + "b", t + "b/c"});
    std::vector<std::string> expected = {"[" + t + "]", "├[a]", "｜└x.txt"};
    expected.insert(expected.end(), c.body.begin(), c.body.end());
    EXPECT_EQ(report(t, t + "a/", [&] { changeDirectory(t + "b", [&] { c.change(t); }); }),
              lines(expected));
    chmod((t + "b").c_str(), 0755);
  }
}

TEST_F(ReadAheadTest, ADirectoryChangedInTheTickOfItsReadShowsTheChange) {
  // Made, read ahead and given a file at once: often all within one tick of
  // the clock that stamps changes, so that b's times stay as they were read.
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    test::TempDir tree(dir.path());
    std::string t = tree / "t/";
    makeDirs(t + "a");
    makeDirs(t + "b/c");
    writeFile(t + "b/y.txt");
    EXPECT_EQ(report(t, t + "a/", [&] { writeFile(t + "b/added.txt"); }),
              lines({"[" + t + "]", "├[a]", "└[b]", "　├[c]", "　├added.txt", "　└y.txt"}));
  }
}

TEST_F(ReadAheadTest, ATreeOf300LevelsIsListedToTheBottom) {
  std::string t = dir / "deep/";
  std::string path = t;
  std::vector<std::string> expected = {"[" + t + "]"};
  std::vector<std::string> files;
  std::string prefix;
  for (int level = 0; level < 300; ++level) {
    path += "d/";
    expected.push_back(prefix + "├[d]");
    files.insert(files.begin(), prefix + "└f.txt");
    prefix += "｜";
  }
  makeDirs(path);
  files.insert(files.begin(), prefix + "└f.txt");
  for (std::string at = path; at.size() >= t.size(); at.resize(at.rfind('/', at.size() - 2) + 1)) {
    writeFile(at + "f.txt");
  }
  expected.insert(expected.end(), files.begin(), files.end());
  EXPECT_EQ(report(t), lines(expected));
}

TEST_F(ReadAheadTest, ADirectoryOf100000EntriesIsListedWhole) {
  // Larger than the read-ahead may hold beside the others; on tmpfs, where
  // they are made quickly, when there is one.
  test::TempDir place(test::exists("/dev/shm") ? "/dev/shm" : dir.path());
  std::string t = place / "wide/";
  makeDirs(t + "a");
  writeFile(t + "a/x.txt");
  makeDirs(t + "big/sub");
  writeFile(t + "big/sub/x.txt");
  makeDirs(t + "z");
  writeFile(t + "z/x.txt");
  std::vector<std::string> expected = {"[" + t + "]", "├[a]",     "｜└x.txt",
                                       "├[big]",      "｜├[sub]", "｜｜└x.txt"};
  const int count = 100000 - 1;
  char name[16];
  for (int i = 0; i < count; ++i) {
    snprintf(name, sizeof name, "f%06d", i);
    writeFile(t + "big/" + name);
    expected.push_back((i + 1 < count ? "｜├" : "｜└") + std::string(name));
  }
  expected.insert(expected.end(), {"└[z]", "　└x.txt"});
  EXPECT_EQ(report(t, t + "a/", [] {}), lines(expected));
}

TEST_F(ReadAheadTest, ReadsNoDirectoryTheWalkDoesNotEnter) {
  // When the walk is about to enter a: a, b, c and skip, each holding one
  // subdirectory.
  std::string t = dir / "t/";
  for (const char* name : {"a/sub", "b/sub", "c/sub", "skip/sub"}) makeDirs(t + name);
  auto heldAtA = [&] {
    report(t, t + "a/", [] {});
    return held;
  };
  EXPECT_EQ(heldAtA(), 8u);
  writer.options.excludePatterns = {"sk*"};
  EXPECT_EQ(heldAtA(), 6u);
  writer.options.maxDepth = 1;
  EXPECT_EQ(heldAtA(), 3u);
}

// The size column of the line that ends with name, or -1 when there is none.
long sizeShownFor(const std::string& report, const std::string& name) {
  size_t end = report.find(name + "\r\n");
  if (end == std::string::npos) return -1;
  std::string digits;
  for (size_t i = report.rfind("\r\n", end) + 2; i < end; ++i) {
    if (report[i] >= '0' && report[i] <= '9') digits += report[i];
  }
  return std::stol(digits);
}

// Whether the report file made in directory is an unnamed one (O_TMPFILE), as
// the output file makes it where the system has them and /proc to name it.
bool makesUnnamedFiles(const std::string& directory) {
  if (access("/proc/self/fd", X_OK) != 0) return false;
  int fd = open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

TEST_F(ReadAheadTest, TheReportInsideTheTreeListsTheFileItReplaces) {
  // The report replaces r.txt in b, which is listed as the file it replaces.
  // An unnamed file is not listed; where the system has none the lines go to
  // a temporary file beside it, listed too, with the size it had when b was
  // read: at most the lines written before its own line.
  std::string t = dir / "in/";
  makeDirs(t + "a");
  makeDirs(t + "b");
  writeFile(t + "b/r.txt", "old\r\n");
  char name[32];
  for (int i = 0; i < 5000; ++i) {
    snprintf(name, sizeof name, "a/file-number-%05d.txt", i);
    writeFile(t + name);
  }
  writer.options.showSize = 1;
  writer.options.skipAttributes = 0;
  const bool unnamed = makesUnnamedFiles(t + "b");
  std::string text = report(
      t, t + "a/", [] {}, t + "b/r.txt");
  EXPECT_EQ(sizeShownFor(text, "r.txt"), 5);
  size_t temporary = text.find(".quorvel-");
  if (unnamed) {
    EXPECT_EQ(temporary, std::string::npos) << "an unnamed report file was listed";
    std::string lastLine = "　└ ";
    appendSizeColumn(5, false, lastLine);
    lastLine += "r.txt\r\n";
    std::string b = "└[b]\r\n" + lastLine;
    ASSERT_GE(text.size(), b.size());
    EXPECT_EQ(text.substr(text.size() - b.size()), b) << "b lists r.txt alone";
  } else {
    ASSERT_NE(temporary, std::string::npos) << "the temporary report file was not listed";
    std::string temporaryName = text.substr(temporary, text.find("\r\n", temporary) - temporary);
    long size = sizeShownFor(text, temporaryName);
    size_t line = text.rfind("\r\n", temporary) + 2;
    EXPECT_GE(size, 0);
    EXPECT_LE(static_cast<size_t>(size), line);
  }
}

// Calls afterRead on the reading thread with the relative path of each
// directory read, before what was read is kept.
class AfterRead : public WalkObserver {
 public:
  explicit AfterRead(std::function<void(const std::string&)> afterRead)
      : afterRead_(std::move(afterRead)) {}
  void readFinished(const NativeString& path) override { afterRead_(path); }

 private:
  const std::function<void(const std::string&)> afterRead_;
};

// The read-ahead of one directory's subdirectories, driven as the walk drives
// it, with a hook after each read.
class ReadAheadOfRoot {
 public:
  ReadAheadOfRoot(const std::string& root, std::function<void(const std::string&)> afterRead)
      : fd_(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
        observer_(std::move(afterRead)),
        ahead_(fd_, root.size(), WalkPlan{0, "*", false, {}, -1}, &observer_) {}
  ~ReadAheadOfRoot() { ::close(fd_); }

  // The walk lists the root itself; waited as for reads that wait, which
  // starts the threads after a few.
  void listRoot(bool waited) {
    items_.clear();
    ASSERT_EQ(lseek(fd_, 0, SEEK_SET), 0);
    ASSERT_TRUE(posix::readItems(fd_, items_));
    ahead_.listed({}, "", items_, waited);
  }
  void startThreads() {
    for (size_t i = 0; i < posix::ReadAhead::WAIT_STARTS; ++i) listRoot(true);
  }
  posix::WalkKey keyOf(const std::string& name) const {
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].nativeName() == name) return {static_cast<uint32_t>(i)};
    }
    ADD_FAILURE() << name << " is not listed";
    return {};
  }
  posix::ReadAhead& ahead() { return ahead_; }

 private:
  int fd_;
  AfterRead observer_;
  posix::ReadAhead ahead_;
  std::vector<posix::ListedItem> items_;
};

TEST(ReadAhead, AReadInFlightForADirectoryListedAgainIsDropped) {
  test::TempDir dir;
  std::string t = dir / "t/";
  makeDirs(t + "a");
  makeDirs(t + "b");
  writeFile(t + "b/old.txt");
  // The first read of b is held until b has changed, the root was listed
  // again and b read anew.
  std::mutex mutex;
  std::condition_variable cv;
  int readsOfB = 0;
  bool released = false;
  ReadAheadOfRoot root(t, [&](const std::string& relative) {
    if (relative != "b") return;
    std::unique_lock<std::mutex> lock(mutex);
    int read = ++readsOfB;
    cv.notify_all();
    if (read == 1) cv.wait(lock, [&] { return released; });
  });
  root.startThreads();
  {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return readsOfB == 1; });
  }
  writeFile(t + "b/new.txt");
  root.listRoot(false);
  {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return readsOfB == 2; });
    released = true;
    cv.notify_all();
  }
  posix::ReadListing listing;
  ASSERT_TRUE(root.ahead().take(root.keyOf("b"), listing));
  std::vector<std::string> names;
  for (const posix::ListedItem& item : listing.items) names.push_back(item.nativeName());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"new.txt", "old.txt"}));
}

TEST(ReadAhead, AThreadOutOfMemoryEndsTheWalkWithBadAlloc) {
  test::TempDir dir;
  std::string t = dir / "t/";
  makeDirs(t + "a");
  makeDirs(t + "b");
  std::mutex mutex;
  std::condition_variable cv;
  bool failed = false;
  ReadAheadOfRoot root(t, [&](const std::string& relative) {
    if (relative != "b") return;
    {
      std::lock_guard<std::mutex> lock(mutex);
      failed = true;
    }
    cv.notify_all();
    throw std::bad_alloc();
  });
  root.startThreads();
  {
    // b is still being read when the walk comes to it.
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return failed; });
  }
  posix::ReadListing listing;
  EXPECT_THROW(root.ahead().take(root.keyOf("b"), listing), std::bad_alloc);
}

}  // namespace
}  // namespace qv
