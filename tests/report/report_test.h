// The fixture of the whole-report tests: a temporary directory, a writer at
// its defaults, local time in Japan, and generate() returning the report;
// and the observer by which the read-ahead tests change a tree behind a walk.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "base/text_output_file.h"
#include "report/find_handle.h"
#include "report/report_writer.h"
#include "report/walk_observer.h"
#include "test_support.h"

namespace qv::test {

// 2002/10/14 09:05:03 in Japan (JST, no summer time).
constexpr int64_t SAMPLE_TIME = 1034553903;

// Has the read-ahead start with the walk's first listing and, when the walk
// is about to enter atDirectory, waits for it to hold every listing it may,
// then calls change.
class ChangeAtDirectory : public WalkObserver {
 public:
  ChangeAtDirectory(std::string atDirectory, std::function<void()> change)
      : atDirectory_(std::move(atDirectory)), change_(std::move(change)) {}

  bool startsReadAheadAtOnce() const override { return true; }

  void enteringDirectory(const String& directory) override {
    if (std::string(directory.cStr()) != atDirectory_) return;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return idle_; });
      heldThen = held_;
    }
    change_();
  }

  void readAheadChanged(size_t held, bool idle) override {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = held;
    idle_ = idle;
    changed_.notify_all();
  }

  size_t heldThen = 0;  // listings read ahead when the walk came to atDirectory

 private:
  const std::string atDirectory_;
  const std::function<void()> change_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t held_ = 0;
  bool idle_ = false;
};

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(useJapanTime()); }

  // Generates input into output (by default a file in the temporary
  // directory) with the writer's options and returns the report.
  std::string generate(const std::string& input, const std::string& output = std::string()) {
    std::string out = output.empty() ? dir / "report.out" : output;
    writer.generate(String(out.c_str()), String(input.c_str()));
    return readFile(out);
  }

  // Writes the report of root (ending in the separator) of the files that
  // match pattern as generate() does, into output (by default a file in the
  // temporary directory). When the walk is about to enter atDirectory, waits
  // for the read-ahead, started with the first listing, to hold every listing
  // it may (held), then calls change; without atDirectory the read-ahead
  // starts as for the program itself.
  std::string walkReport(const std::string& root, const std::string& atDirectory,
                         const std::function<void()>& change, const std::string& output,
                         const std::string& pattern) {
    std::string out = output.empty() ? dir / "report.out" : output;
    DirectoryListing listing;
    ChangeAtDirectory observer(atDirectory, change);
    writer.setObserver(atDirectory.empty() ? nullptr : &observer);
    {
      TextOutputFile file;
      file.open(String(out.c_str()), false, true);
      file.writeLine({"[" + root + "]"});
      EXPECT_TRUE(listing.open(String(root.c_str()), nativeOf(root)));
      writer.walk(file, listing, nativeOf(pattern), String());
      file.close();
    }
    listing.close();
    writer.setObserver(nullptr);
    held = observer.heldThen;
    if (!atDirectory.empty()) {
      EXPECT_GE(held, 2u) << "the directories after " << atDirectory << " were not read ahead";
    }
    return readFile(out);
  }

  TempDir dir;
  ReportWriter writer;
  size_t held = 0;  // listings read ahead when the last walkReport() came to atDirectory
};

}  // namespace qv::test
