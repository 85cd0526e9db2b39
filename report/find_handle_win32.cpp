#include <windows.h>

#include <string>

#include "base/path.h"
#include "report/find_handle.h"

namespace qv {

namespace {

uint64_t fileTimeOf(const FILETIME& t) {
  return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

void fill(const WIN32_FIND_DATAA& data, DirEntry& entry) {
  entry.attributes = data.dwFileAttributes;
  entry.lastAccessTime = fileTimeOf(data.ftLastAccessTime);
  entry.lastWriteTime = fileTimeOf(data.ftLastWriteTime);
  entry.sizeHigh = data.nFileSizeHigh;
  entry.sizeLow = data.nFileSizeLow;
  entry.name = data.cFileName;
  // The find data holds every detail already.
  entry.detailsPending = false;
}

}  // namespace

// A directory's listing is its path, ending in the separator: each scan of it
// is a find of its own.
struct ListingState {
  std::string path;
};

// The open find handle, ended when the state goes, and the directory it scans.
struct FindHandle::State {
  State(HANDLE h, std::string d) : handle(h), directory(std::move(d)) {}
  ~State() { FindClose(handle); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  HANDLE handle;
  std::string directory;
  std::string name;  // of the current entry
};

void DirectoryListing::close() {
  state_.reset();
}

// The Windows walk reads each directory at its turn.
void DirectoryListing::planWalk(const WalkPlan&) const {}

size_t DirectoryListing::settleReadAhead() const {
  return 0;
}

bool DirectoryListing::open(const String& directory, const std::string& nativePath) {
  directory_ = directory;
  state_ = std::make_shared<ListingState>(ListingState{nativePath});
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
  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA(path, &data);
  if (handle == INVALID_HANDLE_VALUE) return false;
  String directoryPart, name;
  std::string directory;
  if (splitAbsolute(path, directoryPart, name) && name.length() > 0) {
    directory = directoryPart.cStr();
  }
  state_ = std::make_unique<State>(handle, std::move(directory));
  fill(data, entry);
  state_->name = data.cFileName;
  return true;
}

bool FindHandle::first(const DirectoryListing& listing, const std::string& pattern,
                       DirEntry& entry) {
  close();
  if (!listing.isOpen()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  const std::string& directory = listing.state_->path;
  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA((directory + pattern).c_str(), &data);
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
      std::make_shared<ListingState>(ListingState{state_->directory + state_->name + "\\"});
  return true;
}

bool FindHandle::next(DirEntry& entry) {
  if (!state_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(state_->handle, &data)) return false;
  fill(data, entry);
  state_->name = data.cFileName;
  return true;
}

std::string_view FindHandle::nativeName() const {
  if (!state_) return std::string_view();
  return state_->name;
}

bool FindHandle::loadDetails(DirEntry&) {
  return true;
}

}  // namespace qv
