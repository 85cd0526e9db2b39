#include "report/read_ahead_win32.h"

#include <algorithm>
#include <exception>

#include "base/platform_win32.h"

namespace qv::win32 {

namespace {

Time timeOf(const FILETIME& t) {
  return win32::timeOf(static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
}

uint64_t wallTime() {
  using Units = std::chrono::duration<uint64_t, std::ratio<1, 10000000>>;
  return std::chrono::duration_cast<Units>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A find handle that is closed when it goes, as when a listing's growth
// throws.
class ScopedFind {
 public:
  explicit ScopedFind(HANDLE handle) : handle_(handle) {}
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  ~ScopedFind() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool isDots(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

FoundItem itemOf(const WIN32_FIND_DATAW& data) {
  FoundItem item;
  item.attributes = data.dwFileAttributes;
  item.size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  item.lastAccessTime = timeOf(data.ftLastAccessTime);
  item.lastWriteTime = timeOf(data.ftLastWriteTime);
  item.name = data.cFileName;
  return item;
}

HANDLE findFirst(const std::wstring& directory, const std::wstring& pattern,
                 WIN32_FIND_DATAW& data) {
  std::wstring path = directory + pattern;
  // The basic record (no short names) in large blocks.
  HANDLE handle = FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  // Systems before Windows 7 know neither the basic record nor large blocks.
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
    handle = FindFirstFileExW(path.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch,
                              nullptr, 0);
  }
  // A directory other than a drive's root lists itself and its parent
  // first. A find that yields only those matched nothing: as everywhere
  // else, a next entry that cannot be read ends the scan.
  if (handle != INVALID_HANDLE_VALUE && isDots(data.cFileName) && !findNext(handle, data)) {
    FindClose(handle);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

bool findNext(HANDLE handle, WIN32_FIND_DATAW& data) {
  do {
    if (!FindNextFileW(handle, &data)) return false;
  } while (isDots(data.cFileName));
  return true;
}

uint64_t readListing(const std::wstring& directory, FoundListing& out) {
  uint64_t began = wallTime();
  out = FoundListing();
  WIN32_FIND_DATAW data;
  ScopedFind find(findFirst(directory, L"*", data));
  if (find.get() == INVALID_HANDLE_VALUE) {
    out.error = GetLastError();
  } else {
    do {
      out.items.push_back(itemOf(data));
    } while (findNext(find.get(), data));
  }
  return wallTime() - began;
}

ReadAhead::ReadAhead(const WalkPlan& plan, WalkObserver* observer)
    : plan_(plan),
      observer_(observer),
      atOnce_(observer != nullptr && observer->startsReadAheadAtOnce()) {
  limit_.allowGrowth();
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  window_.wakeAll();
  for (std::thread& thread : threads_) thread.join();
}

// A file server answers many requests side by side, a local disk's cache
// only as fast as the processors go (under Wine, as its one server process
// goes). Neither the time a read takes nor the thread's processor time
// tells the two apart (a thread that lost the processor is slow too, and
// Wine's server works on its own time), so the threads' limit grows from the
// first read for as long as more threads read more (ThreadLimit).
void ReadAhead::startThreads() {
  if (!started_) return;
  size_t pending = window_.pendingCount();
  startThreadsUpTo(threads_, pending > window_.idleCount() ? pending - window_.idleCount() : 0,
                   limit_.value(), [this](size_t index) { work(index); });
}

bool ReadAhead::take(const WalkKey& key, FoundListing& out) {
  std::unique_lock<std::mutex> lock(mutex_);
  window_.passTo(key);
  doneCv_.wait(lock, [&] { return !window_.isBeingRead(key); });
  if (!window_.takeReady(key, out)) {
    report();
    return false;
  }
  startThreads();
  if (window_.idleCount() > 0 && window_.canStart()) window_.wakeAll();
  report();
  return true;
}

ReadAhead::Due ReadAhead::childrenOf(const WalkKey& key, const std::wstring& path,
                                     const FoundListing& listing) const {
  Due due;
  if (!plan_.entersBelow(key.size())) return due;
  for (size_t i = 0; i < listing.items.size(); ++i) {
    const FoundItem& item = listing.items[i];
    if (!plan_.enters(item.attributes, item.name)) continue;
    WalkKey childKey = key;
    childKey.push_back(static_cast<uint32_t>(i));
    due.emplace_back(std::move(childKey), path + item.name + L"\\");
  }
  return due;
}

void ReadAhead::listed(const WalkKey& key, const std::wstring& path, const FoundListing& listing,
                       uint64_t took) {
  Due due = childrenOf(key, path, listing);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!started_) {
    ++walkReads_;
    if (took >= SLOW_READ) ++slowWalkReads_;
    if (atOnce_ || walkReads_ >= START_AFTER || slowWalkReads_ >= SLOW_STARTS) {
      started_ = true;
    }
  }
  window_.relisted(key, due);
  startThreads();
  report();
}

void ReadAhead::report() const {
  if (started_) window_.report(observer_, threads_.empty());
}

void ReadAhead::work(size_t index) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto ends = [&] { return stop_ || index >= limit_.value(); };
  for (;;) {
    window_.waitForWork(lock, ends);
    if (ends()) return;
    WalkKey key;
    std::wstring path;
    Window::Reading::iterator reading;
    try {
      reading = window_.beginRead(key, path);
    } catch (const std::exception&) {
      // Out of memory: the walk reads this one itself.
      window_.dropFirstDue();
      continue;
    }
    lock.unlock();
    FoundListing listing;
    Due due;
    size_t bytes = 0;
    bool ok = true;
    try {
      readListing(path, listing);
      due = childrenOf(key, path, listing);
      bytes = bytesOf(listing);
      if (observer_ != nullptr) observer_->readFinished(path);
    } catch (const std::exception&) {
      // Out of memory: the walk reads this one itself.
      ok = false;
    }
    auto now = std::chrono::steady_clock::now();
    lock.lock();
    // Threads past a lowered limit end, idle ones as well.
    if (limit_.finished(listing.items.size(), now, threads_.size())) window_.wakeAll();
    bool kept = false;
    try {
      kept = window_.finishRead(key, reading, ok, listing, bytes, due);
    } catch (const std::exception&) {
      // Out of memory: what is not due is read by the walk at its turn.
      kept = true;
    }
    if (kept) startThreads();
    doneCv_.notify_all();
    report();
  }
}

size_t ReadAhead::bytesOf(const FoundListing& listing) {
  size_t bytes = listing.items.capacity() * sizeof(FoundItem);
  for (const FoundItem& item : listing.items) bytes += item.name.capacity() * sizeof(wchar_t);
  return bytes;
}

}  // namespace qv::win32
