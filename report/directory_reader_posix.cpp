#include "report/directory_reader_posix.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "base/platform.h"
#include "base/platform_posix.h"
#include "report/wildcard.h"

namespace qv::posix {

namespace {

// Appends the items of blocks to items in listing order. The sort runs on
// keys that hold the first 16 bytes of each name folded, so that most
// comparisons need no look at the names themselves, and each item is moved
// once: a million entries take a fraction of a second.
void appendListed(std::vector<std::vector<ListedItem>>& blocks, std::vector<ListedItem>& items) {
  struct Key {
    uint64_t high;
    uint64_t low;
    ListedItem* item;
  };
  std::vector<Key> keys;
  size_t count = 0;
  for (const std::vector<ListedItem>& block : blocks) count += block.size();
  keys.reserve(count);
  for (std::vector<ListedItem>& block : blocks) {
    for (ListedItem& item : block) {
      const std::string& name = item.nativeName();
      uint64_t packed[2] = {0, 0};
      // A name holds no zero byte, so the padding sorts a prefix first.
      for (size_t i = 0; i < 16 && i < name.size(); ++i) {
        uint64_t folded = static_cast<unsigned char>(foldCase(name[i]));
        packed[i / 8] |= folded << (56 - 8 * (i % 8));
      }
      keys.push_back({packed[0], packed[1], &item});
    }
  }
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    return listedBefore(a.item->nativeName(), b.item->nativeName());
  });
  items.reserve(items.size() + count);
  for (const Key& key : keys) items.push_back(std::move(*key.item));
}

uint32_t typeAttributes(mode_t mode) {
  if (S_ISDIR(mode)) return ATTRIBUTE_DIRECTORY;
  // A link is never entered: it is listed among the files.
  if (S_ISREG(mode) || S_ISLNK(mode)) return ATTRIBUTE_ARCHIVE;
  return ATTRIBUTE_SYSTEM;
}

}  // namespace

bool readItems(int fd, std::vector<ListedItem>& items) {
  // On the heap: a thread's stack, and the main one under a small limit,
  // may be smaller than the block.
  constexpr size_t BLOCK = 32768;
  std::vector<uint64_t> block(BLOCK / sizeof(uint64_t));
  char* const buffer = reinterpret_cast<char*>(block.data());
  // The items of each block read, in a vector of their own that never grows:
  // one vector for the whole directory would be copied as it grew.
  std::vector<std::vector<ListedItem>> blocks;
  std::string name;
  int readError = 0;
  bool any = false;
  for (;;) {
    long count = syscall(SYS_getdents64, fd, buffer, BLOCK);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      if (count < 0) readError = errno;
      break;
    }
    size_t records = 0;
    for (long offset = 0; offset < count; ++records) {
      offset += reinterpret_cast<const struct dirent64*>(buffer + offset)->d_reclen;
    }
    std::vector<ListedItem>& read = blocks.emplace_back();
    read.reserve(records);
    for (long offset = 0; offset < count;) {
      const struct dirent64* d = reinterpret_cast<const struct dirent64*>(buffer + offset);
      offset += d->d_reclen;
      std::string_view native(d->d_name);
      if (native == "." || native == "..") continue;
      toCp932(native, name);
      uint32_t attributes;
      switch (d->d_type) {
        case DT_DIR:
          attributes = ATTRIBUTE_DIRECTORY;
          break;
        case DT_REG:
        case DT_LNK:
          attributes = ATTRIBUTE_ARCHIVE;
          break;
        case DT_UNKNOWN: {
          struct stat st;
          attributes = fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0
                           ? typeAttributes(st.st_mode)
                           : ATTRIBUTE_ARCHIVE;
          break;
        }
        default:
          attributes = ATTRIBUTE_SYSTEM;
          break;
      }
      if (native[0] == '.') attributes |= ATTRIBUTE_HIDDEN;
      bool sameBytes = native == name;
      read.push_back({name, sameBytes ? std::string() : std::string(native), attributes});
      any = true;
    }
  }
  if (readError != 0 && !any && items.empty()) return failWithErrno(readError);
  appendListed(blocks, items);
  return true;
}

bool readDetails(int directoryFd, const char* name, ItemDetails& details) {
  struct stat st;
  if (fstatat(directoryFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  details.known = true;
  details.size = static_cast<uint64_t>(st.st_size);
  details.modified = st.st_mtim;
  details.accessed = st.st_atim;
  details.readOnly = (st.st_mode & S_IWUSR) == 0;
  return true;
}

int DirectoryOpener::open(int directoryFd, const char* path, Resolve resolve,
                          const std::function<bool()>& makeRoom) {
  struct open_how how = {};
  how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (resolve == Resolve::FOLLOW ? 0 : O_NOFOLLOW);
  // Never through a link, nor out of the tree.
  if (resolve == Resolve::BENEATH) {
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  }
  for (;;) {
    bool noAtime = noAtime_.load(std::memory_order_relaxed);
    struct open_how withFlags = how;
    withFlags.flags |= noAtime ? O_NOATIME : 0;
    long fd;
    if (resolve == Resolve::BENEATH && haveOpenat2_.load(std::memory_order_relaxed)) {
      fd = syscall(SYS_openat2, directoryFd, path, &withFlags, sizeof withFlags);
    } else {
      // Without openat2 a link on the way may be followed; the walk's own
      // check at its turn then refuses what the read-ahead read.
      fd = openat(directoryFd, path, static_cast<int>(withFlags.flags));
    }
    if (fd >= 0) return static_cast<int>(fd);
    int err = errno;
    if (err == EINTR) continue;
    if (err == ENOSYS && resolve == Resolve::BENEATH && haveOpenat2_.exchange(false)) continue;
    // O_NOATIME is only for the owner of a file (or a privileged process).
    if (err == EPERM && noAtime) {
      noAtime_.store(false, std::memory_order_relaxed);
      continue;
    }
    if ((err == EMFILE || err == ENFILE) && makeRoom && makeRoom()) continue;
    errno = err;
    return -1;
  }
}

}  // namespace qv::posix
