// FindHandle wraps one platform directory scan and ends it in its destructor.
// It yields the entries of one directory whose names match a wildcard
// pattern ("." and ".." never among them), filling a DirEntry for each, and
// reports failure by its result, leaving the reason in lastError().
// DirScanner builds on it.
//
// A DirectoryListing is one directory made ready to scan: on POSIX it is read
// once, through a descriptor opened relative to its parent's (or taken from
// the read-ahead, see read_ahead_posix.h), and the scans of its
// subdirectories and of its files share it; on Windows it is the
// directory's extended-length UTF-16 path, which each scan hands to
// FindFirstFileExW, and a child's is its parent's and the child's own name,
// and in a walk that plans its way the directory's entries, read once (or
// taken from the read-ahead, see read_ahead_win32.h). A listing is
// made either from a path or from the subdirectory a scan stands on, apart
// from scanning it, so listings can be produced ahead of the scans.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform.h"
#include "base/string.h"
#include "report/walk_plan.h"

namespace qv {

// The record of one scanned entry. Names are code page 932, as shown ("?"
// for a character without a CP932 form); a time that could not be read is
// unknown.
struct DirEntry {
  uint32_t attributes = 0;
  uint64_t size = 0;
  Time lastAccessTime;
  Time lastWriteTime;
  std::string name;
  // Set when size, times and the DETAIL_ATTRIBUTES bits have not been read yet;
  // FindHandle::loadDetails() reads them.
  bool detailsPending = false;

  void clear() { *this = DirEntry(); }
};

// One entry of a scan as a sort compares it: its record, details read, and
// its name in the platform's own bytes.
struct SortedEntry {
  DirEntry entry;
  NativeString nativeName;
};
using EntryBefore = std::function<bool(const SortedEntry& a, const SortedEntry& b)>;

// True for the codes of a system short of descriptors or memory: a directory
// that cannot be read for want of them says nothing of the directory.
constexpr bool isShortOfResources(uint32_t code) {
  return code == CODE_TOO_MANY_OPEN_FILES || code == CODE_NOT_ENOUGH_MEMORY;
}

// The platform's record of one listing; shared by the scans of it.
struct ListingState;
class WalkObserver;

class DirectoryListing {
 public:
  DirectoryListing() = default;

  // Makes the listing of the directory at nativePath (native, ending in the
  // separator), shown as directory (code page 932). False, with the last
  // error set, when the directory cannot be read.
  bool open(const String& directory, const NativeString& nativePath);

  // The directory's full path, code page 932, ending in the separator.
  const String& directory() const { return directory_; }

  bool isOpen() const { return state_ != nullptr; }
  void close();

  // Tells the platform how the walk will go through this listing's tree, so
  // that it may read the directories due next ahead of the walk, telling
  // observer (when given) what it does. What every scan yields stays as it
  // would be without it.
  void planWalk(const WalkPlan& plan, WalkObserver* observer = nullptr) const;

 private:
  friend class FindHandle;
  String directory_;
  std::shared_ptr<ListingState> state_;
};

class FindHandle {
 public:
  FindHandle();
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle();

  // Ends any scan, then starts one on path (code page 932: directory part and
  // pattern) and fills entry with the first match. False, with the handle
  // closed and the last error set, when the directory cannot be read or
  // nothing matches (2, also for a directory that holds nothing).
  bool first(const char* path, DirEntry& entry);

  // As first(), on a listing and a native pattern.
  bool first(const DirectoryListing& listing, const NativeString& pattern, DirEntry& entry);

  // Fills entry with the next match. False at the end (last error 18) or on
  // failure; the scan stays open until close().
  bool next(DirEntry& entry);

  // Puts the entries from the current one (entry) to the end of the scan in
  // the order of before, keeping the order of equal ones, and fills entry
  // with the first; next() then goes through them in that order. The
  // entries before compares have their details read when details is set.
  // Holds the rest of the directory's entries meanwhile.
  void sort(const EntryBefore& before, bool details, DirEntry& entry);

  // The current entry's name in the native form, as the directory holds it.
  // Empty when no scan is open.
  NativeView nativeName() const;

  // Reads what the scan left out of entry (see DirEntry::detailsPending). An
  // entry that went away reads as having no details; false, with the last
  // error set, only when the system ran short of descriptors or memory.
  bool loadDetails(DirEntry& entry);

  // Makes child the listing of the subdirectory the scan stands on, shown as
  // directory. It is entered by its own name and never through a link. False,
  // with the last error set, when it cannot be read.
  bool openChild(const String& directory, DirectoryListing& child) const;

  void close();
  bool isOpen() const { return state_ != nullptr; }

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qv
