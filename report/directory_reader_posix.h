// The reading of one directory on POSIX, shared by the walk's listings
// (find_handle_posix.cpp) and the read-ahead's threads (read_ahead_posix.cpp):
// opening it (DirectoryOpener), reading its entries in listing order
// (readItems) and looking at one of them (readDetails). Descriptors belong to
// the caller; failures leave errno for the caller to turn into its own code.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qv::posix {

// What a report may show of an entry beyond its name and type.
struct ItemDetails {
  bool known = false;  // read; else left to the walk
  uint64_t size = 0;
  struct timespec modified = {};
  struct timespec accessed = {};
  bool readOnly = false;
};

// One entry of a directory as listed. A listing read ahead for a walk that
// shows details carries them, read just after the directory itself.
struct ListedItem {
  ListedItem(std::string name, std::string native, uint32_t attributes)
      : name(std::move(name)), native(std::move(native)), attributes(attributes) {}

  std::string name;    // code page 932, for the report
  std::string native;  // empty when its bytes are those of name
  uint32_t attributes;

  const std::string& nativeName() const { return native.empty() ? name : native; }
};

// Reads the directory behind fd with getdents64 into items, in listing order,
// without "." and "..". False, with the last error set, when nothing can be
// read.
bool readItems(int fd, std::vector<ListedItem>& items);

// Reads the details of the entry name of the directory behind directoryFd,
// without following a link. False, with errno set, when they cannot be read.
bool readDetails(int directoryFd, const char* name, ItemDetails& details);

// Opens directories for reading, without touching their access times while
// the system lets it. What it learns of the system (O_NOATIME refused,
// openat2 missing) holds for every later open; any thread may use it.
class DirectoryOpener {
 public:
  enum class Resolve {
    FOLLOW,     // the last component may be a link to a directory
    NO_FOLLOW,  // the last component must be the directory itself
    BENEATH,    // below directoryFd, through no link at all
  };

  // Opens the directory at path relative to directoryFd (AT_FDCWD for the
  // current directory). When the process is out of descriptors, makeRoom is
  // called and the open tried again while it returns true. -1, with errno
  // set, when it cannot be opened.
  int open(int directoryFd, const char* path, Resolve resolve,
           const std::function<bool()>& makeRoom = nullptr);

 private:
  std::atomic<bool> noAtime_{true};
  std::atomic<bool> haveOpenat2_{true};
};

}  // namespace qv::posix
