// DirScanner enumerates the entries of one directory that match a path with a
// wildcard, one at a time, optionally only those carrying at least one of a
// set of attribute bits. While it stands on an entry it answers questions
// about it. It is either on an entry or closed: whenever its scan ends, for
// whatever reason, it closes itself. It owns its FindHandle.
#pragma once

#include <cstdint>
#include <string>

#include "base/platform.h"
#include "base/string.h"
#include "report/find_handle.h"

namespace qv {

enum class FileTimeKind { LastAccess = 1, LastWrite = 2 };

// Throws the Exception for such a code, met reading directory: memory
// running out is the run's own failure; else it names the directory.
[[noreturn]] void throwShortOfResources(uint32_t code, const String& directory);

class DirScanner {
 public:
  DirScanner() = default;
  DirScanner(const DirScanner&) = delete;
  DirScanner& operator=(const DirScanner&) = delete;
  virtual ~DirScanner() { close(); }

  // Closes, then scans path (a directory part and a wildcard). With
  // requiredAttributes not 0 only entries having one of those bits are
  // yielded. True when it stands on an entry; else the last error tells why.
  bool open(const char* path, uint32_t requiredAttributes);

  // As open(path), on a listing and a native pattern; the directory is the
  // listing's.
  bool open(const DirectoryListing& listing, const NativeString& pattern,
            uint32_t requiredAttributes);

  // Makes child the listing of the subdirectory the scanner stands on, its
  // directory being this one's followed by the entry's name and the
  // separator. False, with the last error set, when it cannot be read.
  bool openChild(DirectoryListing& child) const;

  // Moves to the next yielded entry; false, closed, at the end or on failure.
  bool next();

  // Puts the entries from the current one to the end of the scan in the
  // order of before (see FindHandle::sort, details as there) and stands on
  // the first of them that has a required attribute. False, closed, when
  // there is none.
  bool sort(const EntryBefore& before, bool details);

  // Ends the scan and clears directory, entry and required attributes.
  void close();

  // True when standing on an entry; when false, sets the last error to 6.
  bool isValid() const;

  // The entry's size, attributes and name, and the full path of the scanned
  // directory ending in the separator; zero or empty when closed. Size,
  // attributes and times throw when the system is short of descriptors or
  // memory to read them (throwShortOfResources).
  uint64_t size();
  uint32_t attributes();
  const char* name() const;
  // The entry's name in the native form; empty when closed.
  NativeView nativeName() const { return handle_.nativeName(); }
  const String& directory() const;

  // True when the entry has any bit of mask; reads the entry's details only
  // when mask asks for one of the bits that need them.
  bool hasAnyAttribute(uint32_t mask);

  // One of the entry's times in local calendar time. False, with out cleared,
  // when there is no entry, kind is unknown or the time does not convert.
  bool time(SystemTime& out, FileTimeKind kind);

  // The entry's last-write time; unknown when closed.
  Time lastWriteTime();

 private:
  bool skipToRequired();
  void loadDetails();

  String directory_;
  FindHandle handle_;
  DirEntry current_;
  uint32_t requiredAttributes_ = 0;
};

}  // namespace qv
