#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/path.h"
#include "base/platform_win32.h"
#include "report/find_handle.h"
#include "report/read_ahead_win32.h"

namespace qv {

using win32::FoundItem;
using win32::FoundListing;
using win32::ReadAhead;

namespace {

void fill(const FoundItem& item, DirEntry& entry) {
  entry.attributes = item.attributes;
  entry.size = item.size;
  entry.lastAccessTime = item.lastAccessTime;
  entry.lastWriteTime = item.lastWriteTime;
  entry.name.clear();
  appendNativeAsCp932(item.name, entry.name);
  // The find data holds every detail already.
  entry.detailsPending = false;
}

// Patterns that every name matches: a scan with one of them is served from
// the directory's one listing. Any other is left to the system's find, whose
// matching (of short names too, with its own case folding) it keeps.
bool matchesAll(const NativeString& pattern) {
  return pattern == L"*" || pattern == L"*.*";
}

}  // namespace

// A directory's listing is its extended-length path, ending in the
// separator. In a walk that reads ahead it is also the directory's entries,
// read once, which both of its scans go through, and the walk's read-ahead
// with the directory's key in it.
struct ListingState {
  std::wstring path;
  std::shared_ptr<ReadAhead> readAhead;
  win32::WalkKey key;
  std::shared_ptr<const FoundListing> found;
};

// The open find handle (none for a scan of a listing's entries), ended when
// the state goes, the directory it scans and the current entry's own name,
// by which a child is entered.
struct FindHandle::State {
  State(HANDLE h, std::shared_ptr<const ListingState> l) : handle(h), listing(std::move(l)) {}
  ~State() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // The next entry of the scan, in the order the directory yields them.
  bool read(DirEntry& entry, std::wstring& nativeName) {
    if (handle == INVALID_HANDLE_VALUE) {
      if (++index >= listing->found->items.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return false;
      }
      const FoundItem& item = listing->found->items[index];
      fill(item, entry);
      nativeName = item.name;
      return true;
    }
    WIN32_FIND_DATAW data;
    if (!win32::findNext(handle, data)) return false;
    fill(win32::itemOf(data), entry);
    nativeName = data.cFileName;
    return true;
  }

  HANDLE handle;
  std::shared_ptr<const ListingState> listing;
  size_t index = 0;  // of the current entry, in a scan of the listing's entries
  std::wstring name;
  // After sort(): the entries still to come, in order, and the next one.
  std::vector<SortedEntry> sorted;
  size_t nextSorted = 0;
  bool isSorted = false;
};

void DirectoryListing::close() {
  state_.reset();
}

// The root's entries are read here, so that both its scans share them and
// its subdirectories become due.
void DirectoryListing::planWalk(const WalkPlan& plan, WalkObserver* observer) const {
  if (!state_ || state_->readAhead) return;
  auto found = std::make_shared<FoundListing>();
  uint64_t took = win32::readListing(state_->path, *found);
  state_->readAhead = std::make_shared<ReadAhead>(plan, observer);
  state_->readAhead->listed(state_->key, state_->path, *found, took);
  state_->found = std::move(found);
}

bool DirectoryListing::open(const String& directory, const NativeString& nativePath) {
  close();
  std::wstring path = win32::extendedFullPath(nativePath);
  if (path.empty()) return false;
  if (path.back() != L'\\') path += L'\\';
  directory_ = directory;
  state_ = std::make_shared<ListingState>();
  state_->path = std::move(path);
  return true;
}

FindHandle::FindHandle() = default;

FindHandle::~FindHandle() = default;

void FindHandle::close() {
  state_.reset();
}

bool FindHandle::first(const DirectoryListing& listing, const NativeString& pattern,
                       DirEntry& entry) {
  close();
  if (!listing.isOpen()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  const ListingState& state = *listing.state_;
  if (state.found && matchesAll(pattern)) {
    const std::vector<FoundItem>& items = state.found->items;
    if (items.empty()) {
      SetLastError(state.found->error != 0 ? state.found->error : ERROR_FILE_NOT_FOUND);
      return false;
    }
    state_ = std::make_unique<State>(INVALID_HANDLE_VALUE, listing.state_);
    fill(items.front(), entry);
    state_->name = items.front().name;
    return true;
  }
  WIN32_FIND_DATAW data;
  HANDLE handle = win32::findFirst(state.path, pattern, data);
  if (handle == INVALID_HANDLE_VALUE) return false;
  state_ = std::make_unique<State>(handle, listing.state_);
  fill(win32::itemOf(data), entry);
  state_->name = data.cFileName;
  return true;
}

bool FindHandle::openChild(const String& directory, DirectoryListing& child) const {
  child.close();
  if (!state_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const ListingState& parent = *state_->listing;
  auto state = std::make_shared<ListingState>();
  state->path = parent.path + state_->name + L"\\";
  // A child is read ahead only when the scan goes in the listing's order,
  // which is the order of the keys; a sorted scan's subtrees are read each
  // at its turn, by their finds.
  if (parent.readAhead && state_->handle == INVALID_HANDLE_VALUE && !state_->isSorted) {
    state->readAhead = parent.readAhead;
    state->key = parent.key;
    state->key.push_back(static_cast<uint32_t>(state_->index));
    auto found = std::make_shared<FoundListing>();
    if (!state->readAhead->take(state->key, *found)) {
      uint64_t took = win32::readListing(state->path, *found);
      state->readAhead->listed(state->key, state->path, *found, took);
    }
    state->found = std::move(found);
  }
  child.directory_ = directory;
  child.state_ = std::move(state);
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
  return state_->read(entry, state_->name);
}

void FindHandle::sort(const EntryBefore& before, bool, DirEntry& entry) {
  if (!state_ || state_->isSorted) return;
  // The find data holds every detail, so the entries are read to the end
  // and kept as they come.
  std::vector<SortedEntry> entries;
  entries.push_back({entry, state_->name});
  SortedEntry item;
  while (state_->read(item.entry, item.nativeName)) entries.push_back(std::move(item));
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
