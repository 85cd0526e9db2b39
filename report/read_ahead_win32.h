// ReadAhead lists, on a few threads of its own, the directories that a walk
// will list next, so that a walk over a file server has many requests in
// flight while it writes one directory. Each directory is listed once, with
// one find of every name; both scans of it (subdirectories, then files) are
// served from that listing, so a directory shows as it was when it was read.
// The walk takes each listing at its turn and reads by itself whatever was
// not read ahead.
//
// A directory is known by its WalkKey, the indices of the entries that lead to
// it from the root in listing order; keys in lexicographic order are the
// walk's order. The read-ahead holds at most MAX_LISTINGS listings or
// MAX_BYTES of them, and no handle between reads. It is owned by the listings
// of the walk's path; the last of them to go stops and joins its threads.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "report/read_ahead.h"
#include "report/walk_observer.h"
#include "report/walk_plan.h"

namespace qv::win32 {

// One entry of a directory as the find gave it.
struct FoundItem {
  uint32_t attributes = 0;
  uint64_t size = 0;
  Time lastAccessTime;
  Time lastWriteTime;
  std::wstring name;
};

// A directory's entries in the find's order (without "." and ".."), or the
// error that kept the find from yielding any.
struct FoundListing {
  std::vector<FoundItem> items;
  DWORD error = 0;
};

// The record of one find result.
FoundItem itemOf(const WIN32_FIND_DATAW& data);

// Starts a find on directory (an extended-length path ending in the
// separator) and pattern, passing over "." and "..". INVALID_HANDLE_VALUE,
// with the last error set, when nothing matches (2) or the directory cannot
// be read.
HANDLE findFirst(const std::wstring& directory, const std::wstring& pattern,
                 WIN32_FIND_DATAW& data);

// The find's next entry other than "." and ".."; false, with the last error
// set (18 at the end), when there is none.
bool findNext(HANDLE handle, WIN32_FIND_DATAW& data);

// Lists every entry of directory (extended-length, ending in the separator)
// into out, and returns the time that took (100 ns units).
uint64_t readListing(const std::wstring& directory, FoundListing& out);

using qv::WalkKey;

class ReadAhead : public ReadAheadBounds {
 public:
  // Threads start sooner than START_AFTER after SLOW_STARTS of the walk's
  // reads took SLOW_READ (100 ns units) or longer (a file server's, a cold
  // disk's).
  static constexpr size_t SLOW_STARTS = 8;
  static constexpr uint64_t SLOW_READ = 20000;

  // Reads ahead as plan says, telling observer (when given) what it does.
  // Starts no thread yet.
  explicit ReadAhead(const WalkPlan& plan, WalkObserver* observer = nullptr);
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;
  ~ReadAhead();

  // The walk lists the directory at key now; what comes before it in the
  // walk's order is no longer wanted. True, with out filled, when it was read
  // ahead (waiting for it while it is being read); false when the walk must
  // read it itself and then call listed().
  bool take(const WalkKey& key, FoundListing& out);

  // The walk read the directory at key (its extended-length path, ending in
  // the separator) itself, which took took (100 ns units): its
  // subdirectories become due, in place of anything read ahead below it.
  void listed(const WalkKey& key, const std::wstring& path, const FoundListing& listing,
              uint64_t took);

 private:
  using Window = ReadAheadWindow<FoundListing, std::wstring>;
  using Due = Window::Due;

  // The subdirectories of the listing at key that the walk will enter.
  Due childrenOf(const WalkKey& key, const std::wstring& path, const FoundListing& listing) const;
  void startThreads();
  void work(size_t index);
  // Under mutex_: tells observer_ what is held and whether the threads are
  // idle.
  void report() const;
  static size_t bytesOf(const FoundListing& listing);

  const WalkPlan plan_;
  WalkObserver* const observer_;
  const bool atOnce_;  // the threads start with the first listing

  std::mutex mutex_;                // guards every field below
  std::condition_variable doneCv_;  // a read finished
  Window window_;
  size_t walkReads_ = 0;  // directories the walk read by itself, before the start
  size_t slowWalkReads_ = 0;
  ThreadLimit limit_;
  bool started_ = false;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace qv::win32
