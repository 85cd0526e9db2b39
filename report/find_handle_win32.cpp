#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/path.h"
#include "base/platform_win32.h"
#include "report/find_handle.h"

namespace qv {

namespace {

uint64_t fileTimeOf(const FILETIME& t) {
  return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

void fill(const WIN32_FIND_DATAW& data, DirEntry& entry) {
  entry.attributes = data.dwFileAttributes;
  entry.lastAccessTime = fileTimeOf(data.ftLastAccessTime);
  entry.lastWriteTime = fileTimeOf(data.ftLastWriteTime);
  entry.sizeHigh = data.nFileSizeHigh;
  entry.sizeLow = data.nFileSizeLow;
  entry.name.clear();
  appendNativeAsCp932(data.cFileName, entry.name);
  // The find data holds every detail already.
  entry.detailsPending = false;
}

// Starts a find on the directory (an extended-length path ending in the
// separator) and pattern: the basic record (no short names) in large
// blocks.
HANDLE findFirst(const std::wstring& directory, const std::wstring& pattern,
                 WIN32_FIND_DATAW& data) {
  std::wstring path = directory + pattern;
  HANDLE handle = FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  // Systems before Windows 7 know neither the basic record nor large blocks.
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
    handle = FindFirstFileExW(path.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch,
                              nullptr, 0);
  }
  return handle;
}

}  // namespace

// A directory's listing is its extended-length path, ending in the
// separator: each scan of it is a find of its own.
struct ListingState {
  std::wstring path;
};

// The open find handle, ended when the state goes, the directory it scans
// and the current entry's own name, by which a child is entered.
struct FindHandle::State {
  State(HANDLE h, std::wstring d) : handle(h), directory(std::move(d)) {}
  ~State() { FindClose(handle); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  HANDLE handle;
  std::wstring directory;
  std::wstring name;
  // After sort(): the entries still to come, in order, and the next one.
  std::vector<SortedEntry> sorted;
  size_t nextSorted = 0;
  bool isSorted = false;
};

void DirectoryListing::close() {
  state_.reset();
}

// The Windows walk reads each directory at its turn.
void DirectoryListing::planWalk(const WalkPlan&) const {}

size_t DirectoryListing::settleReadAhead() const {
  return 0;
}

bool DirectoryListing::open(const String& directory, const NativeString& nativePath) {
  close();
  std::wstring path = win32::extendedFullPath(nativePath);
  if (path.empty()) return false;
  if (path.back() != L'\\') path += L'\\';
  directory_ = directory;
  state_ = std::make_shared<ListingState>(ListingState{std::move(path)});
  return true;
}

FindHandle::FindHandle() = default;

FindHandle::~FindHandle() = default;

bool FindHandle::isOpen() const {
  return state_ != nullptr;
}

void FindHandle::close() {
  state_.reset();
}

bool FindHandle::first(const char* path, DirEntry& entry) {
  close();
  NativeString directory, pattern;
  if (!nativeFullPath(nativeOf(path), directory, pattern)) return false;
  DirectoryListing listing;
  if (!listing.open(String(), directory)) return false;
  return first(listing, pattern, entry);
}

bool FindHandle::first(const DirectoryListing& listing, const NativeString& pattern,
                       DirEntry& entry) {
  close();
  if (!listing.isOpen()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  const std::wstring& directory = listing.state_->path;
  WIN32_FIND_DATAW data;
  HANDLE handle = findFirst(directory, pattern, data);
  if (handle == INVALID_HANDLE_VALUE) return false;
  state_ = std::make_unique<State>(handle, directory);
  fill(data, entry);
  state_->name = data.cFileName;
  return true;
}

bool FindHandle::openChild(const String& directory, DirectoryListing& child) const {
  child.close();
  if (!state_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  child.directory_ = directory;
  child.state_ =
      std::make_shared<ListingState>(ListingState{state_->directory + state_->name + L"\\"});
  return true;
}

bool FindHandle::next(DirEntry& entry) {
  if (!state_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (state_->isSorted) {
    if (state_->nextSorted >= state_->sorted.size()) {
      SetLastError(ERROR_NO_MORE_FILES);
      return false;
    }
    SortedEntry& next = state_->sorted[state_->nextSorted++];
    entry = std::move(next.entry);
    state_->name = std::move(next.nativeName);
    return true;
  }
  WIN32_FIND_DATAW data;
  if (!FindNextFileW(state_->handle, &data)) return false;
  fill(data, entry);
  state_->name = data.cFileName;
  return true;
}

void FindHandle::sort(const EntryBefore& before, bool, DirEntry& entry) {
  if (!state_ || state_->isSorted) return;
  // The find data holds every detail, so the entries are read to the end
  // and kept as they come.
  std::vector<SortedEntry> entries;
  entries.push_back({entry, state_->name});
  WIN32_FIND_DATAW data;
  while (FindNextFileW(state_->handle, &data)) {
    SortedEntry next;
    fill(data, next.entry);
    next.nativeName = data.cFileName;
    entries.push_back(std::move(next));
  }
  std::stable_sort(entries.begin(), entries.end(), before);
  state_->isSorted = true;
  state_->sorted = std::move(entries);
  state_->nextSorted = 0;
  next(entry);
}

NativeView FindHandle::nativeName() const {
  if (!state_) return NativeView();
  return state_->name;
}

bool FindHandle::loadDetails(DirEntry&) {
  return true;
}

}  // namespace qv
