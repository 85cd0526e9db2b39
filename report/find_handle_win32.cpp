#include <windows.h>

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

// The open find handle; ended when the state goes.
struct FindHandle::State {
  explicit State(HANDLE h) : handle(h) {}
  ~State() { FindClose(handle); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  HANDLE handle;
};

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
  state_ = std::make_unique<State>(handle);
  fill(data, entry);
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
  return true;
}

void FindHandle::loadDetails(DirEntry&) {}

}  // namespace qv
