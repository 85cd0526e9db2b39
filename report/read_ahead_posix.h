// ReadAhead reads, on a few threads of its own, the directories that a walk
// will list next, so that a tree on a cold disk has many reads in flight while
// the walk writes one directory. It never decides what the report shows: the
// walk takes each listing in its own depth-first order, and uses it only when
// the directory at that path is, at the walk's turn, still the one that was
// read, unchanged since (find_handle_posix.cpp); else the walk reads it again.
//
// A directory is known by its WalkKey, the indices of the entries that lead to
// it from the root in listing order; keys in lexicographic order are the
// walk's order. The read-ahead holds at most MAX_LISTINGS listings or
// MAX_BYTES of them, and at most one descriptor per thread besides its own
// descriptor of the root. It is owned by the listings of the walk's path;
// the last of them to go stops and joins its threads.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "report/directory_reader_posix.h"
#include "report/read_ahead.h"
#include "report/walk_observer.h"
#include "report/walk_plan.h"

namespace qv::posix {

// How often the calling thread has had to wait so far: for blocks read from
// storage, or for any answer it slept for (a file server's, over the
// network). It grows across a call that waited, and not across one served
// from the caches.
uint64_t waitsByThread();

// A directory as the read-ahead found it, and which directory that was.
// A racy listing is of a directory last changed no earlier than the tick of
// the clock in which its read began: a change just after the read could carry
// the same time stamp, so the times cannot tell that it is still the same.
struct ReadListing {
  bool ok = false;
  bool racy = false;
  size_t bytes = 0;  // what it holds, as the bounds count it
  std::vector<ListedItem> items;
  // When a column needs them, the details of items[i] at i; else empty. Held
  // apart from the items, which most listings need without, and in one block,
  // as an allocation for each entry costs more than its room.
  std::vector<ItemDetails> details;
  dev_t device = 0;
  ino_t inode = 0;
  struct timespec modified = {};
  struct timespec changed = {};
};

using qv::WalkKey;

class ReadAhead : public ReadAheadBounds {
 public:
  // Threads start sooner than START_AFTER when WAIT_STARTS of the walk's
  // reads had to wait (for the disk or a server).
  static constexpr size_t WAIT_STARTS = 8;
  static constexpr unsigned WAIT_SAMPLE = 4;
  // Threads that read while most reads wait, before the limit grows (see
  // ThreadLimit): a thread waiting for the disk leaves the processor free.
  static constexpr size_t WAITING_THREADS = 8;

  // Reads ahead below the directory open as rootFd (duplicated; the caller
  // keeps its own), whose native path is rootPathLength bytes long with its
  // separator, as plan says, telling observer (when given) what it does.
  // Starts no thread yet.
  ReadAhead(int rootFd, size_t rootPathLength, const WalkPlan& plan,
            WalkObserver* observer = nullptr);
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;
  ~ReadAhead();

  // The walk lists the directory at key now; what comes before it in the
  // walk's order is no longer wanted. True, with out filled, when the listing
  // was read ahead (waiting for it when it is being read); false when the
  // walk must read it itself and then call listed(). Throws std::bad_alloc
  // once a thread has run out of memory.
  bool take(const WalkKey& key, ReadListing& out);

  // The walk read the directory at key (relative: its native path below the
  // root) itself, having had to wait for it when waited is set: its subdirectories
  // become due, in place of any read ahead for an earlier form of it.
  void listed(const WalkKey& key, const std::string& relative, const std::vector<ListedItem>& items,
              bool waited);

  // Whether the threads have started (they may not be running yet).
  bool started() const { return started_.load(std::memory_order_relaxed); }

  // The descriptor of the root, or -1 when it could not be duplicated.
  int rootFd() const { return rootFd_; }

  // Opens the directory at relative below the root, through no symbolic link
  // and never out of the tree; makeRoom as DirectoryOpener::open takes it.
  // -1, with errno set, when it cannot.
  int openBeneath(const std::string& relative, const std::function<bool()>& makeRoom = nullptr);

 private:
  using Window = ReadAheadWindow<ReadListing, std::string>;
  using Due = Window::Due;

  void startThreads();
  void work(size_t index);
  void workUntilStopped(size_t index);
  void read(const std::string& relative, ReadListing& out);
  // The subdirectories of the listing at key that the walk will enter, with
  // their paths below the root.
  Due childrenOf(const WalkKey& key, const std::string& relative,
                 const std::vector<ListedItem>& items) const;
  // Under mutex_: tells observer_ what is held and whether the threads are
  // idle.
  void report() const;
  static size_t bytesOf(const ReadListing& listing);

  // Set at construction, read by every thread.
  int rootFd_;
  size_t rootPathLength_;
  WalkPlan plan_;
  WalkObserver* observer_;
  bool atOnce_;  // the threads start with the first listing

  // Every field from here to threads_ is guarded by mutex_, but for the
  // atomics, which are read without it.
  std::mutex mutex_;
  std::condition_variable doneCv_;  // a read finished
  Window window_;
  size_t walkReads_ = 0;  // directories the walk read by itself
  size_t waitedWalkReads_ = 0;
  // One bit for each of the threads' last 32 sampled reads (one in
  // WAIT_SAMPLE), set when it had to wait. Once most did, limit_ may grow.
  uint32_t waitedReads_ = 0;
  ThreadLimit limit_;
  std::atomic<bool> started_{false};  // written under mutex_
  const WalkKey* awaited_ = nullptr;  // what take() waits for
  bool stop_ = false;
  bool outOfMemory_ = false;  // a thread ran out of memory and ended
  // What the threads learn of the system; each thread may set it alone.
  DirectoryOpener opener_;
  // Started and joined by the walk's thread, under mutex_ (the destructor
  // joins them after stop_).
  std::vector<std::thread> threads_;
};

}  // namespace qv::posix
