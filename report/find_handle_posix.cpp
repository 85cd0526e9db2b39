#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform_posix.h"
#include "report/find_handle.h"

namespace qv {

namespace {

constexpr uint64_t EPOCH_DIFFERENCE = 11644473600ULL;

bool isLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The order of an NTFS directory listing: names compared with ASCII letters
// as upper case, ties broken by the exact bytes.
bool listedBefore(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(upper(a[i]));
    unsigned char y = static_cast<unsigned char>(upper(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

size_t charLength(std::string_view s, size_t i) {
  return isLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

bool sameChar(std::string_view name, size_t i, std::string_view pattern, size_t j, size_t length) {
  if (length == 1) return upper(name[i]) == upper(pattern[j]);
  return name.compare(i, 2, pattern.substr(j, 2)) == 0;
}

// "*" matches any run of characters and "?" one character (a double-byte
// character is one); ASCII letters match regardless of case. Only the last
// "*" is ever backtracked to, so any pattern takes time linear in its length
// times the name's.
bool wildcardMatch(std::string_view name, std::string_view pattern) {
  size_t i = 0, j = 0;
  size_t starPattern = std::string_view::npos, starName = 0;
  while (i < name.size()) {
    if (j < pattern.size() && pattern[j] == '*') {
      starPattern = ++j;
      starName = i;
      continue;
    }
    size_t nameLength = charLength(name, i);
    if (j < pattern.size()) {
      size_t patternLength = charLength(pattern, j);
      if ((pattern[j] == '?' && patternLength == 1) ||
          (patternLength == nameLength && sameChar(name, i, pattern, j, nameLength))) {
        i += nameLength;
        j += patternLength;
        continue;
      }
    }
    if (starPattern == std::string_view::npos) return false;
    starName += charLength(name, starName);
    i = starName;
    j = starPattern;
  }
  while (j < pattern.size() && pattern[j] == '*') ++j;
  return j == pattern.size();
}

// Find-first matching: besides the wildcards, a pattern ending in ".*" also
// matches a name without that dot, and one ending in "." matches only names
// without a dot.
bool patternMatch(std::string_view name, std::string_view pattern) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
    return wildcardMatch(name, pattern) ||
           wildcardMatch(name, pattern.substr(0, pattern.size() - 2));
  }
  if (pattern.size() >= 2 && pattern.back() == '.' && pattern[pattern.size() - 2] != '.') {
    return name.find('.') == std::string_view::npos &&
           wildcardMatch(name, pattern.substr(0, pattern.size() - 1));
  }
  return wildcardMatch(name, pattern);
}

uint64_t fileTimeOf(const struct timespec& t) {
  int64_t seconds = static_cast<int64_t>(t.tv_sec) + static_cast<int64_t>(EPOCH_DIFFERENCE);
  // Times before 1601 have no file time; they read as the failure value.
  if (seconds < 0) return ~0ULL;
  return static_cast<uint64_t>(seconds) * 10000000ULL + static_cast<uint64_t>(t.tv_nsec) / 100;
}

uint32_t typeAttributes(mode_t mode) {
  if (S_ISDIR(mode)) return ATTRIBUTE_DIRECTORY;
  // A link is never entered: it is listed among the files.
  if (S_ISREG(mode) || S_ISLNK(mode)) return ATTRIBUTE_ARCHIVE;
  return ATTRIBUTE_SYSTEM;
}

}  // namespace

// One directory's entries, converted and in listing order; "." and ".." are
// not among them.
struct Listing {
  struct Item {
    std::string name;    // code page 932
    std::string native;  // empty when its bytes are those of name
    uint32_t attributes;
  };
  std::string directory;  // native, without a trailing separator but for "/"
  std::vector<Item> items;
  // The open directory, so that an entry's details need no path look-up; -1
  // when too many listings are open already (see MAX_OPEN_LISTINGS).
  int fd = -1;

  Listing() = default;
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;
  ~Listing();
};

namespace {

// A walk holds one listing per level it is in; past this depth the listings
// give their descriptors back, so deep trees cannot run out of them.
constexpr int MAX_OPEN_LISTINGS = 256;
int openListings = 0;

// The walker scans each directory twice in a row, once for its subdirectories
// and once for its files. The listing read by one scan is kept for the very
// next scan of the same directory and then dropped, so the directory is read
// once; anything the program itself creates drops it at once (forgetListings).
std::shared_ptr<const Listing>& lastListing() {
  static std::shared_ptr<const Listing> listing;
  return listing;
}

const Listing::Item DOT = {".", std::string(), ATTRIBUTE_DIRECTORY};
const Listing::Item DOT_DOT = {"..", std::string(), ATTRIBUTE_DIRECTORY};

// Reads a directory with getdents64 straight into a Listing. False with the
// last error set when it cannot be read.
bool readListing(Listing& listing) {
  int fd;
  do {
    fd = ::open(listing.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    int err = errno;
    setLastError(err == ENOENT ? CODE_PATH_NOT_FOUND : posix::errorFromErrno(err));
    return false;
  }
  alignas(8) char buffer[32768];
  std::string name;
  std::string full;
  int readError = 0;
  for (;;) {
    long count = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      if (count < 0) readError = errno;
      break;
    }
    for (long offset = 0; offset < count;) {
      const struct dirent64* d = reinterpret_cast<const struct dirent64*>(buffer + offset);
      offset += d->d_reclen;
      std::string_view native(d->d_name);
      if (native == "." || native == "..") continue;
      bool exact = posix::toCp932(native, name);
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
      if (!exact) posix::rememberName(listing.directory, name, native);
      bool sameBytes = native == name;
      listing.items.push_back({name, sameBytes ? std::string() : std::string(native), attributes});
    }
  }
  if (openListings < MAX_OPEN_LISTINGS) {
    listing.fd = fd;
    ++openListings;
  } else {
    ::close(fd);
  }
  if (readError != 0 && listing.items.empty()) return posix::failWithErrno(readError);
  std::sort(listing.items.begin(), listing.items.end(),
            [](const Listing::Item& a, const Listing::Item& b) {
              return listedBefore(a.native.empty() ? a.name : a.native,
                                  b.native.empty() ? b.name : b.native);
            });
  return true;
}

}  // namespace

Listing::~Listing() {
  if (fd >= 0) {
    ::close(fd);
    --openListings;
  }
}

namespace posix {

void forgetListings() {
  lastListing().reset();
}

}  // namespace posix

struct FindHandle::State {
  std::shared_ptr<const Listing> listing;
  std::vector<const Listing::Item*> selection;
  size_t index = 0;

  void fill(DirEntry& entry) const {
    const Listing::Item& item = *selection[index];
    // The name keeps its buffer from entry to entry.
    entry.name = item.name;
    entry.attributes = item.attributes;
    entry.lastAccessTime = entry.lastWriteTime = 0;
    entry.sizeHigh = entry.sizeLow = 0;
    entry.detailsPending = &item != &DOT && &item != &DOT_DOT;
  }
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
  std::string_view text(path);
  size_t slash = text.rfind('/');
  std::string_view pattern = slash == std::string_view::npos ? text : text.substr(slash + 1);
  std::string directory =
      posix::nativePath(slash == std::string_view::npos ? "." : text.substr(0, slash + 1));
  if (directory.size() > 1 && directory.back() == '/') directory.pop_back();

  auto state = std::make_unique<State>();
  std::shared_ptr<const Listing>& cached = lastListing();
  if (cached && cached->directory == directory) {
    state->listing = std::move(cached);
    cached.reset();
  } else {
    auto listing = std::make_shared<Listing>();
    listing->directory = std::move(directory);
    if (!readListing(*listing)) return false;
    state->listing = listing;
    cached = listing;
  }

  // The two directory entries come first, as a directory scan lists them.
  for (const Listing::Item* dots : {&DOT, &DOT_DOT}) {
    if (patternMatch(dots->name, pattern)) state->selection.push_back(dots);
  }
  bool all = pattern == "*" || pattern == "*.*";
  state->selection.reserve(state->listing->items.size() + 2);
  for (const Listing::Item& item : state->listing->items) {
    if (all || patternMatch(item.name, pattern)) state->selection.push_back(&item);
  }
  if (state->selection.empty()) {
    setLastError(CODE_FILE_NOT_FOUND);
    return false;
  }
  state_ = std::move(state);
  state_->fill(entry);
  return true;
}

bool FindHandle::next(DirEntry& entry) {
  if (!state_) {
    setLastError(CODE_INVALID_HANDLE);
    return false;
  }
  if (state_->index + 1 >= state_->selection.size()) {
    setLastError(CODE_NO_MORE_FILES);
    return false;
  }
  ++state_->index;
  state_->fill(entry);
  return true;
}

void FindHandle::loadDetails(DirEntry& entry) {
  entry.detailsPending = false;
  if (!state_) return;
  const Listing& listing = *state_->listing;
  const Listing::Item& item = *state_->selection[state_->index];
  const std::string& name = item.native.empty() ? item.name : item.native;
  struct stat st;
  int result;
  if (listing.fd >= 0) {
    result = fstatat(listing.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
  } else {
    std::string full = listing.directory;
    if (full.size() > 1) full += '/';
    full += name;
    result = lstat(full.c_str(), &st);
  }
  if (result != 0) {
    // Nothing is known of the entry (it went away, or the directory can be
    // read but not searched): its times read as unconvertible, not as 1601.
    entry.lastWriteTime = entry.lastAccessTime = ~0ULL;
    return;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  entry.sizeHigh = static_cast<uint32_t>(size >> 32);
  entry.sizeLow = static_cast<uint32_t>(size);
  entry.lastWriteTime = fileTimeOf(st.st_mtim);
  entry.lastAccessTime = fileTimeOf(st.st_atim);
  if ((st.st_mode & S_IWUSR) == 0) entry.attributes |= ATTRIBUTE_READONLY;
}

}  // namespace qv
