// ReadAheadWindow is what the read-aheads of both platforms share: the
// directories due, being read and read, in the walk's order, and the bounds on
// what is held. A directory is known by its WalkKey, the indices of the
// entries that lead to it from the root in listing order; keys in
// lexicographic order are the walk's order.
//
// The window holds no lock: its owner (read_ahead_posix.h,
// read_ahead_win32.h) guards it with its own mutex, calling every operation
// under it, and decides how a directory is read and when threads start. The
// window keeps the threads waiting for work, on that mutex.
// Listing is the platform's listing of one directory, Path what reads it.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "report/walk_observer.h"

namespace qv {

using WalkKey = std::vector<uint32_t>;

struct ReadAheadBounds {
  static constexpr size_t MAX_THREADS = 32;
  static constexpr size_t MAX_LISTINGS = 64;
  static constexpr size_t MAX_BYTES = 8 << 20;
  // Threads start once the walk has read START_AFTER directories by itself,
  // so that a small tree never pays for them, or sooner as the platform
  // judges its reads slow.
  static constexpr size_t START_AFTER = 128;
};

// Starts threads running work until wanted more run or threads holds limit.
// A thread that cannot be had (out of memory or of threads) ends the starting:
// the walk reads what the threads already running do not.
template <typename Work>
void startThreadsUpTo(std::vector<std::thread>& threads, size_t wanted, size_t limit, Work work) {
  while (wanted-- > 0 && threads.size() < limit) {
    try {
      threads.emplace_back(work);
    } catch (const std::exception&) {
      return;
    }
  }
}

template <typename Listing, typename Path>
class ReadAheadWindow {
 public:
  // Directories due after the one at a key, and what reads each.
  using Due = std::vector<std::pair<WalkKey, Path>>;
  // Being read, by key (a directory listed again may be read twice at once):
  // true once the walk listed the directory above it again, so that what
  // that read brings is of an earlier form and is dropped, not kept.
  using Reading = std::multimap<WalkKey, bool>;

  // Whether a thread may begin a read: something is due and there is room.
  bool canStart() const {
    return !pending_.empty() && ready_.size() + reading_.size() < ReadAheadBounds::MAX_LISTINGS &&
           bytes_ < ReadAheadBounds::MAX_BYTES;
  }

  // Whether at most half the room is taken.
  bool halfFree() const {
    return ready_.size() + reading_.size() <= ReadAheadBounds::MAX_LISTINGS / 2 &&
           bytes_ <= ReadAheadBounds::MAX_BYTES / 2;
  }

  // The walk is at key: what lies before it in the walk's order was left out
  // by the walk, and a read of it that finishes from now on is not kept.
  void passTo(const WalkKey& key) {
    walkAt_ = key;
    while (!pending_.empty() && pending_.begin()->first < key) pending_.erase(pending_.begin());
    while (!ready_.empty() && ready_.begin()->first < key) {
      bytes_ -= ready_.begin()->second.second;
      ready_.erase(ready_.begin());
    }
  }

  bool isBeingRead(const WalkKey& key) const { return reading_.count(key) != 0; }

  // Moves the listing read at key into out; false, with key no longer due,
  // when there is none.
  bool takeReady(const WalkKey& key, Listing& out) {
    auto it = ready_.find(key);
    if (it == ready_.end()) {
      pending_.erase(key);
      return false;
    }
    bytes_ -= it->second.second;
    out = std::move(it->second.first);
    ready_.erase(it);
    return true;
  }

  // The walk listed the directory at key again: what was due, read or is
  // being read below it is of an earlier form.
  void dropBelow(const WalkKey& key) {
    // Below key, keys sort between key and key with its last index raised.
    WalkKey end = key;
    if (!end.empty()) ++end.back();
    auto below = [&](const WalkKey& k) { return key < k && (key.empty() || k < end); };
    for (auto it = pending_.upper_bound(key); it != pending_.end() && below(it->first);) {
      it = pending_.erase(it);
    }
    for (auto it = ready_.upper_bound(key); it != ready_.end() && below(it->first);) {
      bytes_ -= it->second.second;
      it = ready_.erase(it);
    }
    for (auto it = reading_.upper_bound(key); it != reading_.end() && below(it->first); ++it) {
      it->second = true;
    }
  }

  // The walk read the directory at key itself: due, its subdirectories in
  // place of anything below it. Wakes a waiting thread for each.
  void relisted(const WalkKey& key, Due& due) {
    dropBelow(key);
    enqueue(due);
    for (size_t n = std::min(idle_, pending_.size()); n > 0; --n) workCv_.notify_one();
  }

  // Waits, unless stop is set or a read may begin, until one of them holds;
  // lock holds the owner's mutex.
  void waitForWork(std::unique_lock<std::mutex>& lock, const bool& stop) {
    if (stop || canStart()) return;
    ++idle_;
    workCv_.wait(lock, [&] { return stop || canStart(); });
    --idle_;
  }

  // Wakes every waiting thread, to stop or to begin reads.
  void wakeAll() { workCv_.notify_all(); }

  size_t idleCount() const { return idle_; }

  void enqueue(Due& due) {
    for (auto& [key, path] : due) pending_.emplace(std::move(key), std::move(path));
  }

  // Takes the first directory due, when canStart(), for a thread to read:
  // its key and path, and its entry among those being read. When it throws
  // (out of memory), that directory is still first due.
  typename Reading::iterator beginRead(WalkKey& key, Path& path) {
    auto next = pending_.begin();
    path = std::move(next->second);
    key = next->first;
    auto reading = reading_.emplace(key, false);
    pending_.erase(next);
    return reading;
  }

  // Drops the first directory due, left to the walk when beginRead() threw.
  void dropFirstDue() { pending_.erase(pending_.begin()); }

  // The read of key at reading finished: its listing, of size bytes, is kept
  // with the directories due below it when ok and still wanted. True when
  // kept; the read is no longer in flight either way.
  bool finishRead(const WalkKey& key, typename Reading::iterator reading, bool ok, Listing& listing,
                  size_t bytes, Due& due) {
    ok = ok && !reading->second && !(key < walkAt_);
    reading_.erase(reading);
    if (!ok) return false;
    ready_.insert_or_assign(key, std::make_pair(std::move(listing), bytes));
    bytes_ += bytes;
    enqueue(due);
    return true;
  }

  // Tells observer (when given) how many listings are held, and whether the
  // threads are idle: nothing is being read, and none may begin (as when
  // noThreads, none can).
  void report(WalkObserver* observer, bool noThreads) const {
    if (observer == nullptr) return;
    observer->readAheadChanged(ready_.size(), reading_.empty() && (noThreads || !canStart()));
  }

  size_t pendingCount() const { return pending_.size(); }

 private:
  std::map<WalkKey, Path> pending_;  // due, by key
  Reading reading_;
  std::map<WalkKey, std::pair<Listing, size_t>> ready_;  // with the bytes each holds
  size_t bytes_ = 0;                                     // the sum of ready_'s bytes
  WalkKey walkAt_;                                       // where the walk last took
  std::condition_variable workCv_;                       // work to do, room made, or stop
  size_t idle_ = 0;                                      // threads waiting for work
};

}  // namespace qv
