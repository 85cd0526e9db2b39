#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "base/file.h"
#include "base/platform.h"
#include "base/platform_posix.h"

namespace qv {

namespace {

const char* const TEMPORARY_PREFIX = ".quorvel-";

// The temporary file that SIGINT, SIGTERM or SIGHUP must not leave behind,
// and the empty file a run made where no file was. A signal handler can
// reach nothing but static storage, so this one record is kept at file
// scope; the program writes one report at a time.
struct PendingRemoval {
  int directory;  // the descriptor both names are in
  char temporary[NAME_MAX + 1];
  volatile sig_atomic_t temporaryArmed;
  char placeholder[NAME_MAX + 1];
  dev_t placeholderDevice;
  ino_t placeholderInode;
  volatile sig_atomic_t placeholderArmed;
  bool handlersInstalled;
};
PendingRemoval pendingRemoval;

const int CLEANUP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

// Removes the empty file at name in directory only while it is still the
// one this run made. Safe in a signal handler.
void removePlaceholder(int directory, const char* name, dev_t device, ino_t inode) {
  struct stat st;
  if (fstatat(directory, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == device &&
      st.st_ino == inode) {
    unlinkat(directory, name, 0);
  }
}

void removeAndDie(int signal) {
  if (pendingRemoval.temporaryArmed)
    unlinkat(pendingRemoval.directory, pendingRemoval.temporary, 0);
  if (pendingRemoval.placeholderArmed) {
    removePlaceholder(pendingRemoval.directory, pendingRemoval.placeholder,
                      pendingRemoval.placeholderDevice, pendingRemoval.placeholderInode);
  }
  // Ends the process by the same signal once the handler returns.
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void installCleanupHandlers() {
  if (pendingRemoval.handlersInstalled) return;
  pendingRemoval.handlersInstalled = true;
  for (int signal : CLEANUP_SIGNALS) {
    struct sigaction old;
    // A signal ignored when the program started (nohup) stays ignored.
    if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = removeAndDie;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

// Holds the clean-up signals back while the files and the record of them
// change together.
class SignalBlock {
 public:
  SignalBlock() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : CLEANUP_SIGNALS) sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalBlock() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
  SignalBlock(const SignalBlock&) = delete;
  SignalBlock& operator=(const SignalBlock&) = delete;

 private:
  sigset_t old_;
};

// Records a name for removal by a signal; false when it does not fit.
bool arm(char (&slot)[NAME_MAX + 1], volatile sig_atomic_t& armed, int directory,
         const std::string& name) {
  if (name.size() >= sizeof slot) return false;
  installCleanupHandlers();
  pendingRemoval.directory = directory;
  std::memcpy(slot, name.c_str(), name.size() + 1);
  armed = 1;
  return true;
}

FileObserver* observer = nullptr;

int openAtRetrying(int directory, const char* name, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = openat(directory, name, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

mode_t currentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// The directory part of a path and its last component, split at the last
// "/"; a path without one is relative to directory.
int openParent(int directory, const std::string& path, std::string& name) {
  size_t cut = posix::lastComponentStart(path);
  name = path.substr(cut);
  if (cut == 0) return fcntl(directory, F_DUPFD_CLOEXEC, 0);
  std::string parent = path.substr(0, cut);
  return openAtRetrying(directory, parent.c_str(), O_RDONLY | O_DIRECTORY);
}

// What a directory that cannot be opened is called.
bool failToOpenDirectory(int err) {
  if (err == ENOENT || err == ENOTDIR) {
    setLastError(CODE_PATH_NOT_FOUND);
    return false;
  }
  return posix::failWithErrno(err);
}

}  // namespace

void setFileObserver(FileObserver* watcher) {
  observer = watcher;
}

// The file a write through path lands on is found from one descriptor of
// its directory: each link on the way read once and followed from where it
// is, the file opened without following a link, and what it is (its owner,
// its mode, a pipe or a file) taken from that open descriptor, never from
// the name again. Only the rename in commit() goes by the name, and it
// replaces whatever is there then, a link included, never the file it
// points to.
bool File::openReplacement(const NativeString& path) {
  close();
  std::string native = posix::absoluteNative(path);
  if (native.empty()) return false;
  // Opening what is there first refuses a directory or a file that may not
  // be written, and tells a pipe or device (also through a link of /proc,
  // which names no path), which is written in place.
  int fd = openAtRetrying(AT_FDCWD, native.c_str(), O_WRONLY | O_NOCTTY);
  if (fd >= 0) {
    struct stat st;
    if (fstat(fd, &st) != 0) {
      int err = errno;
      ::close(fd);
      return posix::failWithErrno(err);
    }
    if (!S_ISREG(st.st_mode)) {
      handle_ = fd;
      return true;
    }
    ::close(fd);
  } else if (errno != ENOENT) {
    return posix::failWithErrno(errno);
  }
  std::string name;
  int directory = openParent(AT_FDCWD, native, name);
  if (directory < 0) return failToOpenDirectory(errno);
  auto fail = [&](int err) {
    ::close(directory);
    return posix::failWithErrno(err);
  };
  if (name.empty()) return fail(EISDIR);
  bool created = false;
  for (int hops = 0;;) {
    fd = openAtRetrying(directory, name.c_str(), O_WRONLY | O_NOCTTY | O_NOFOLLOW);
    if (fd >= 0) break;
    int err = errno;
    if (err == ENOENT) {
      // Made now, so that a report of its own directory lists it; the
      // finished report takes its place.
      fd = openAtRetrying(directory, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
      if (fd >= 0) {
        created = true;
        break;
      }
      if (errno == EEXIST) continue;  // made meanwhile: looked at again
      err = errno;
      if (err == ENOENT) {
        ::close(directory);
        return failToOpenDirectory(err);
      }
      return fail(err);
    }
    if (err != ELOOP) return fail(err);
    // A link: followed from its own directory, at most as many times as the
    // system follows links.
    std::string link(PATH_MAX, '\0');
    ssize_t length = readlinkat(directory, name.c_str(), &link[0], link.size());
    if (length < 0 && errno == EINVAL) continue;  // no longer a link
    if (length <= 0 || ++hops > 40) return fail(length <= 0 ? errno : ELOOP);
    link.resize(static_cast<size_t>(length));
    std::string next;
    int nextDirectory = openParent(link[0] == '/' ? AT_FDCWD : directory, link, next);
    if (nextDirectory < 0) {
      int openError = errno;
      ::close(directory);
      return failToOpenDirectory(openError);
    }
    ::close(directory);
    directory = nextDirectory;
    name = next;
    if (name.empty()) return fail(EISDIR);
  }
  struct stat old;
  if (fstat(fd, &old) != 0) {
    int err = errno;
    ::close(fd);
    return fail(err);
  }
  if (observer != nullptr) observer->lookedAtTarget();
  // A pipe, terminal or device put there meanwhile is written in place.
  if (!S_ISREG(old.st_mode)) {
    ::close(directory);
    handle_ = fd;
    return true;
  }
  ::close(fd);
  directory_ = directory;
  target_ = name;
  if (created) {
    SignalBlock block;
    placeholder_ = true;
    placeholderDevice_ = old.st_dev;
    placeholderInode_ = old.st_ino;
    if (arm(pendingRemoval.placeholder, pendingRemoval.placeholderArmed, directory, name)) {
      pendingRemoval.placeholderDevice = old.st_dev;
      pendingRemoval.placeholderInode = old.st_ino;
    }
  } else if (geteuid() == 0 && (old.st_mode & 0222) == 0) {
    // Root could write it; a report nobody may write is not replaced.
    close();
    setLastError(CODE_ACCESS_DENIED);
    return false;
  }

  // An unnamed file is invisible to a walk of its own directory (a report
  // with hidden entries would list a file that is gone afterwards) and leaves
  // nothing behind when the process is killed; it is named only in commit(),
  // through /proc. Where either is missing, a named temporary file serves.
  if (access("/proc/self/fd", X_OK) == 0) {
    fd = openAtRetrying(directory, ".", O_TMPFILE | O_WRONLY, 0600);
    if (fd >= 0) {
      handle_ = fd;
      unnamed_ = true;
    }
  }
  if (!unnamed_) {
    SignalBlock block;
    int err = EEXIST;
    for (unsigned attempt = 0; err == EEXIST && attempt < 100; ++attempt) {
      std::string candidate =
          TEMPORARY_PREFIX + std::to_string(getpid()) + "-" + std::to_string(attempt);
      fd = openAtRetrying(directory, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW,
                          0600);
      err = fd >= 0 ? 0 : errno;
      if (fd >= 0) {
        handle_ = fd;
        temporary_ = candidate;
        arm(pendingRemoval.temporary, pendingRemoval.temporaryArmed, directory, candidate);
      }
    }
    if (fd < 0) {
      close();
      return posix::failWithErrno(err);
    }
  }
  if (!created) {
    // The owner the file had when it was opened; only root can give the file
    // away, and the bits are what matters.
    if (old.st_uid != geteuid() || old.st_gid != getegid()) {
      if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        // The new file stays ours.
      }
    }
  }
  mode_t mode = created ? 0666 & ~currentUmask() : old.st_mode & 07777;
  if (fchmod(fd, mode) != 0) {
    int err = errno;
    close();
    return posix::failWithErrno(err);
  }
  return true;
}

bool File::commit() {
  if (!isOpen()) {
    setLastError(CODE_INVALID_HANDLE);
    return false;
  }
  // No fsync before the rename: it guards against a crash of the system,
  // not of this run, and costs 8 % of the time of a 5 MB report.
  int fd = static_cast<int>(handle_);
  if (unnamed_ && !nameUnnamed()) {
    int err = errno;
    close();
    return posix::failWithErrno(err);
  }
  handle_ = INVALID;
  // A file system that writes late (NFS, a quota) reports it here.
  if (::close(fd) != 0 && errno != EINTR) {
    int err = errno;
    close();
    return posix::failWithErrno(err);
  }
  if (temporary_.empty()) return true;
  SignalBlock block;
  if (renameat(directory_, temporary_.c_str(), directory_, target_.c_str()) != 0) {
    int err = errno;
    close();
    return posix::failWithErrno(err);
  }
  pendingRemoval.temporaryArmed = 0;
  pendingRemoval.placeholderArmed = 0;
  temporary_.clear();
  placeholder_ = false;
  close();
  return true;
}

bool File::nameUnnamed() {
  std::string link = "/proc/self/fd/" + std::to_string(handle_);
  SignalBlock block;
  for (unsigned attempt = 0;; ++attempt) {
    std::string name = TEMPORARY_PREFIX + std::to_string(getpid()) + "-" + std::to_string(attempt);
    if (linkat(AT_FDCWD, link.c_str(), directory_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      arm(pendingRemoval.temporary, pendingRemoval.temporaryArmed, directory_, name);
      temporary_ = name;
      unnamed_ = false;
      return true;
    }
    if (errno != EEXIST || attempt == 100) return false;
  }
}

bool File::open(const NativeString& path, OpenMode) {
  close();
  std::string native = posix::absoluteNative(path);
  if (native.empty()) return false;
  int fd;
  do {
    fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == ENOENT) {
      setLastError(posix::missingPathCode(native));
      return false;
    }
    return posix::failWithErrno(errno);
  }
  handle_ = fd;
  if (!size() || !seekToEnd()) {
    int err = errno;
    close();
    return posix::failWithErrno(err);
  }
  return true;
}

bool File::openStandardOutput() {
  close();
  int fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return posix::failWithErrno(errno);
  handle_ = fd;
  return true;
}

bool File::write(const void* data, uint32_t length, uint32_t* written) {
  *written = 0;
  if (!isOpen()) {
    setLastError(CODE_INVALID_HANDLE);
    return false;
  }
  ssize_t n;
  do {
    n = ::write(static_cast<int>(handle_), data, length);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return posix::failWithErrno(errno);
  if (n == 0 && length > 0) {
    setLastError(112);
    return false;
  }
  *written = static_cast<uint32_t>(n);
  if (observer != nullptr && isReplacement()) observer->wroteReplacement();
  return true;
}

bool File::writeAt(uint64_t offset, const void* data, uint32_t length) {
  const char* at = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t n = pwrite(static_cast<int>(handle_), at, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? posix::failWithErrno(errno) : (setLastError(112), false);
    at += n;
    offset += static_cast<uint64_t>(n);
    length -= static_cast<uint32_t>(n);
  }
  return true;
}

std::optional<uint64_t> File::seek(int64_t distance, SeekOrigin origin) {
  if (!isOpen()) {
    setLastError(CODE_INVALID_HANDLE);
    return std::nullopt;
  }
  int whence = origin == SeekOrigin::START     ? SEEK_SET
               : origin == SeekOrigin::CURRENT ? SEEK_CUR
                                               : SEEK_END;
  off_t position = lseek(static_cast<int>(handle_), static_cast<off_t>(distance), whence);
  if (position < 0) {
    posix::failWithErrno(errno);
    return std::nullopt;
  }
  return static_cast<uint64_t>(position);
}

std::optional<uint64_t> File::size() {
  struct stat st;
  if (!isOpen()) {
    setLastError(CODE_INVALID_HANDLE);
    return std::nullopt;
  }
  if (fstat(static_cast<int>(handle_), &st) != 0) {
    posix::failWithErrno(errno);
    return std::nullopt;
  }
  return static_cast<uint64_t>(st.st_size);
}

void File::close() {
  if (handle_ != INVALID) {
    ::close(static_cast<int>(handle_));
    handle_ = INVALID;
  }
  unnamed_ = false;
  if (directory_ < 0) return;
  SignalBlock block;
  if (!temporary_.empty()) {
    unlinkat(directory_, temporary_.c_str(), 0);
    pendingRemoval.temporaryArmed = 0;
    temporary_.clear();
  }
  if (placeholder_) {
    removePlaceholder(directory_, target_.c_str(), placeholderDevice_, placeholderInode_);
    pendingRemoval.placeholderArmed = 0;
    placeholder_ = false;
  }
  ::close(directory_);
  directory_ = -1;
  target_.clear();
}

}  // namespace qv
