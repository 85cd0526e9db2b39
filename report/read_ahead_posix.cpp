#include "report/read_ahead_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bitset>
#include <chrono>
#include <exception>
#include <new>
#include <utility>

#include "report/wildcard.h"

namespace qv::posix {

// A read that waits for the disk or for a FUSE, NFS or SMB server sleeps, and
// sleeping is a voluntary context switch; one served from the caches makes
// none. Block reads are counted as well for the rare read that finds its
// blocks already on their way.
uint64_t waitsByThread() {
  struct rusage usage;
  if (getrusage(RUSAGE_THREAD, &usage) != 0) return 0;
  return static_cast<uint64_t>(usage.ru_inblock) + static_cast<uint64_t>(usage.ru_nvcsw);
}

ReadAhead::ReadAhead(int rootFd, size_t rootPathLength, const WalkPlan& plan,
                     WalkObserver* observer)
    : rootFd_(fcntl(rootFd, F_DUPFD_CLOEXEC, 0)),
      rootPathLength_(rootPathLength),
      plan_(plan),
      observer_(observer),
      atOnce_(observer != nullptr && observer->startsReadAheadAtOnce()) {}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  window_.wakeAll();
  for (std::thread& thread : threads_) thread.join();
  if (rootFd_ >= 0) ::close(rootFd_);
}

// Once started, threads are added while more is due than idle threads, up to
// limit_. While reads do not wait, threads beyond one per processor only take
// the processor from the walk. Once most wait (for the disk, or for a file
// server's answer), the limit rises to WAITING_THREADS and grows from there
// for as long as more threads read more: a share answers many requests side
// by side, a disk's queue fills. The time a read takes alone would not tell
// the cases apart: a warm read of a large directory and one that lost the
// processor are slow too.
void ReadAhead::startThreads() {
  if (rootFd_ < 0 || !started_) return;
  if (std::bitset<32>(waitedReads_).count() > 16) limit_.allowGrowth(WAITING_THREADS);
  size_t pending = window_.pendingCount();
  startThreadsUpTo(threads_, pending > window_.idleCount() ? pending - window_.idleCount() : 0,
                   limit_.value(), [this](size_t index) { work(index); });
}

bool ReadAhead::take(const WalkKey& key, ReadListing& out) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (outOfMemory_) throw std::bad_alloc();
  window_.passTo(key);
  if (window_.isBeingRead(key)) {
    awaited_ = &key;
    doneCv_.wait(lock, [&] { return !window_.isBeingRead(key) || outOfMemory_; });
    awaited_ = nullptr;
    if (outOfMemory_) throw std::bad_alloc();
  }
  if (!window_.takeReady(key, out)) {
    report();
    return false;
  }
  startThreads();
  // Idle threads are woken when half the room is free, not for every listing
  // taken, so that a walk on a warm cache does not pay a wake-up for each.
  if (window_.idleCount() > 0 && window_.canStart() && window_.halfFree()) window_.wakeAll();
  report();
  return true;
}

void ReadAhead::listed(const WalkKey& key, const std::string& relative,
                       const std::vector<ListedItem>& items, bool waited) {
  Due children = childrenOf(key, relative, items);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_) {
    if (atOnce_) {
      started_ = true;
    } else if (waited && ++waitedWalkReads_ >= WAIT_STARTS) {
      started_ = true;
      waitedReads_ = ~0u;  // the threads start as for reads that wait
    } else if (++walkReads_ >= START_AFTER) {
      started_ = true;
    }
  }
  window_.relisted(key, children);
  startThreads();
  report();
}

void ReadAhead::report() const {
  if (started_) window_.report(observer_, threads_.empty() || outOfMemory_);
}

ReadAhead::Due ReadAhead::childrenOf(const WalkKey& key, const std::string& relative,
                                     const std::vector<ListedItem>& items) const {
  Due children;
  if (!plan_.entersBelow(key.size())) return children;
  // A listed item has no bit of DETAIL_ATTRIBUTES: a directory skipped for
  // one is read all the same, and left by the walk.
  for (size_t i = 0; i < items.size(); ++i) {
    const ListedItem& item = items[i];
    if (!plan_.enters(item.attributes, item.nativeName())) continue;
    std::string child = relative.empty() ? item.nativeName() : relative + '/' + item.nativeName();
    if (!WalkPlan::fitsPath(rootPathLength_ + child.size() + 1)) continue;
    WalkKey childKey = key;
    childKey.push_back(static_cast<uint32_t>(i));
    children.emplace_back(std::move(childKey), std::move(child));
  }
  return children;
}

// Memory can run out outside a read too (the queues grow under the lock): the
// thread then ends, and the walk ends the run at its next take(), as it does
// when it runs out itself. An exception must not leave a thread.
void ReadAhead::work(size_t index) {
  try {
    workUntilStopped(index);
  } catch (const std::bad_alloc&) {
    std::lock_guard<std::mutex> lock(mutex_);
    outOfMemory_ = true;
    doneCv_.notify_all();
  }
}

void ReadAhead::workUntilStopped(size_t index) {
  unsigned reads = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  auto ends = [&] { return stop_ || index >= limit_.value(); };
  for (;;) {
    window_.waitForWork(lock, ends);
    if (ends()) return;
    WalkKey key;
    std::string relative;
    auto reading = window_.beginRead(key, relative);
    lock.unlock();
    // One read in WAIT_SAMPLE is measured: asking costs about a microsecond.
    // Only the read itself, since waiting for the lock or for work sleeps too.
    bool measured = ++reads % WAIT_SAMPLE == 0;
    uint64_t waitsBefore = measured ? waitsByThread() : 0;
    ReadListing listing;
    Due children;
    // What the bounds count and what is due next are worked out here, not
    // under the lock, which the walk and the other threads wait for.
    try {
      read(relative, listing);
      if (listing.ok) {
        listing.bytes = bytesOf(listing);
        children = childrenOf(key, relative, listing.items);
      }
    } catch (const std::exception&) {
      // Out of memory: the walk reads this one itself.
      listing = ReadListing();
      children.clear();
    }
    bool waited = measured && waitsByThread() != waitsBefore;
    auto now = std::chrono::steady_clock::now();
    if (observer_ != nullptr) observer_->readFinished(relative);
    lock.lock();
    if (measured) waitedReads_ = (waitedReads_ << 1) | (waited ? 1u : 0u);
    // Threads past a lowered limit end, idle ones as well.
    if (limit_.finished(listing.items.size(), now, threads_.size())) window_.wakeAll();
    window_.finishRead(key, reading, listing.ok, listing, listing.bytes, children);
    // The walk is woken only for the listing it waits for.
    if (awaited_ != nullptr && *awaited_ == key) doneCv_.notify_all();
    report();
  }
}

int ReadAhead::openBeneath(const std::string& relative, const std::function<bool()>& makeRoom) {
  return opener_.open(rootFd_, relative.c_str(), DirectoryOpener::Resolve::BENEATH, makeRoom);
}

namespace {

// The kernel stamps a change with its coarse clock (before Linux 6.6 always,
// since then unless the time was looked at), so a change within the same tick
// of that clock as the read can leave the directory's times as they were.
// git treats an index entry of its own file's tick the same way ("racily
// clean").
bool changedSince(const struct timespec& changed, const struct timespec& began) {
  return changed.tv_sec > began.tv_sec ||
         (changed.tv_sec == began.tv_sec && changed.tv_nsec >= began.tv_nsec);
}

}  // namespace

void ReadAhead::read(const std::string& relative, ReadListing& out) {
  struct timespec began = {};
  clock_gettime(CLOCK_REALTIME_COARSE, &began);
  int fd = openBeneath(relative);
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) == 0 && readItems(fd, out.items)) {
    out.ok = true;
    out.racy = changedSince(st.st_ctim, began);
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.modified = st.st_mtim;
    out.changed = st.st_ctim;
    // The details of the entries the walk will show, read on this thread; an
    // entry whose details cannot be read here is left to the walk.
    if (plan_.details) {
      bool all = plan_.pattern == "*" || plan_.pattern == "*.*";
      out.details.resize(out.items.size());
      for (size_t i = 0; i < out.items.size(); ++i) {
        const std::string& name = out.items[i].nativeName();
        bool matched = all || matchesPattern(name, plan_.pattern);
        if (plan_.needsDetails(out.items[i].attributes, name, matched)) {
          readDetails(fd, name.c_str(), out.details[i]);
        }
      }
    }
  }
  ::close(fd);
}

size_t ReadAhead::bytesOf(const ReadListing& listing) {
  size_t bytes = listing.items.capacity() * sizeof(ListedItem) +
                 listing.details.capacity() * sizeof(ItemDetails);
  for (const ListedItem& item : listing.items) {
    bytes += item.name.size() + item.native.size();
  }
  return bytes;
}

}  // namespace qv::posix
