// FindHandle wraps one platform directory scan (FindFirstFileA / FindNextFileA
// on Windows) and ends it in its destructor. It yields the entries of the
// directory part of a path whose names match the path's last component, a
// wildcard pattern, filling a DirEntry for each. It reports failure by its
// result and leaves the reason in lastError(). DirScanner builds on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/platform.h"

namespace qv {

// The record of one scanned entry. Names are code page 932; times are file
// times (100 ns units since 1601-01-01 UTC).
struct DirEntry {
  uint32_t attributes = 0;
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  uint32_t sizeHigh = 0;
  uint32_t sizeLow = 0;
  std::string name;
  // Set when size, times and the DETAIL_ATTRIBUTES bits have not been read yet;
  // FindHandle::loadDetails() reads them.
  bool detailsPending = false;

  void clear() { *this = DirEntry(); }
};

// Attribute bits that a scan may leave to loadDetails(); every other bit is
// filled in by the scan itself.
constexpr uint32_t DETAIL_ATTRIBUTES = ATTRIBUTE_READONLY;

class FindHandle {
 public:
  FindHandle();
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle();

  // Ends any scan, then starts one on path (directory part and pattern) and
  // fills entry with the first match. False, with the handle closed and the
  // last error set, when the directory cannot be read or nothing matches.
  bool first(const char* path, DirEntry& entry);

  // Fills entry with the next match. False at the end (last error 18) or on
  // failure; the scan stays open until close().
  bool next(DirEntry& entry);

  // Reads what the scan left out of entry (see DirEntry::detailsPending).
  void loadDetails(DirEntry& entry);

  void close();
  bool isOpen() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qv
