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
#include <chrono>
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

// Starts threads running work(index), index being the thread's place in
// threads, until wanted more run or threads holds limit. A thread that cannot
// be had (out of memory or of threads) ends the starting: the walk reads what
// the threads already running do not.
template <typename Work>
void startThreadsUpTo(std::vector<std::thread>& threads, size_t wanted, size_t limit, Work work) {
  while (wanted-- > 0 && threads.size() < limit) {
    try {
      threads.emplace_back(work, threads.size());
    } catch (const std::exception&) {
      return;
    }
  }
}

// How many threads a read-ahead lets read. It starts at one per processor
// (or the first given). Once growth is allowed, it doubles for as long as
// doubling raised the entries read per second by a quarter or more. After a
// doubling that changed them less it stays (a round's rate is only so
// exact); after one that lowered them by a fifth or more it goes back to the
// limit before. A file server answers many requests side by side and takes
// every thread it is given; a local disk's queue fills, and a processor-bound
// walk, or a server process that works one request at a time, loses to the
// cost of more. The owner calls every operation under its mutex.
class ThreadLimit {
 public:
  // The reads by which the effect of a limit is judged: ROUND_READS, or
  // ROUND_READS_EACH for each thread when that is more, as a round of one
  // read a thread would be judged by the one that read the least.
  static constexpr size_t ROUND_READS = 32;
  static constexpr size_t ROUND_READS_EACH = 4;
  static constexpr double GAIN = 1.25;

  explicit ThreadLimit(size_t first = std::thread::hardware_concurrency())
      : limit_(std::clamp<size_t>(first, 1, ReadAheadBounds::MAX_THREADS)) {}

  // How many threads may read now. A thread whose index (from 0, in the order
  // they were started) is at or past it ends.
  size_t value() const { return limit_; }

  // Lets the limit grow from now on, from no fewer than from threads;
  // ignored once it grows or has settled.
  void allowGrowth(size_t from = 1) {
    if (state_ != FIXED) return;
    state_ = GROWING;
    limit_ = std::max(limit_, std::min(from, ReadAheadBounds::MAX_THREADS));
    before_ = limit_;
  }

  bool settled() const { return state_ == SETTLED; }

  // A thread finished a read of entries entries at now, running threads
  // having been started. A round counts only once value() threads run. True
  // when the limit went down: the owner wakes its idle threads to end.
  bool finished(size_t entries, std::chrono::steady_clock::time_point now, size_t running) {
    if (state_ != GROWING) return false;
    // A round begins with the first read finished once the threads allowed
    // run.
    if (running < limit_ || roundBegan_ == std::chrono::steady_clock::time_point()) {
      roundReads_ = 0;
      roundEntries_ = 0;
      roundBegan_ = now;
      return false;
    }
    roundEntries_ += entries + 1;
    if (++roundReads_ < std::max(ROUND_READS, ROUND_READS_EACH * limit_)) return false;
    double rate = static_cast<double>(roundEntries_) /
                  static_cast<double>((now - roundBegan_).count() + 1);
    size_t was = limit_;
    if (rate * GAIN < lastRate_) {
      limit_ = before_;
      state_ = SETTLED;
    } else if (rate < lastRate_ * GAIN || limit_ == ReadAheadBounds::MAX_THREADS) {
      state_ = SETTLED;
    } else {
      lastRate_ = rate;
      before_ = limit_;
      limit_ = std::min(limit_ * 2, ReadAheadBounds::MAX_THREADS);
    }
    roundReads_ = 0;
    roundEntries_ = 0;
    roundBegan_ = now;
    return limit_ < was;
  }

 private:
  enum State { FIXED, GROWING, SETTLED };
  size_t limit_;
  size_t before_ = limit_;  // the limit before the last doubling
  State state_ = FIXED;
  size_t roundReads_ = 0;    // since roundBegan_, with limit_ threads running
  size_t roundEntries_ = 0;  // what those reads read, one more for each
  std::chrono::steady_clock::time_point roundBegan_;
  double lastRate_ = 0;  // entries per clock tick in the round before the last doubling
};

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

  // Waits, unless the thread is to end (ends() holds) or a read may begin,
  // until one of them holds; lock holds the owner's mutex.
  template <typename Ends>
  void waitForWork(std::unique_lock<std::mutex>& lock, Ends ends) {
    if (ends() || canStart()) return;
    ++idle_;
    workCv_.wait(lock, [&] { return ends() || canStart(); });
    --idle_;
  }

  // Wakes every waiting thread, to end or to begin reads.
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
