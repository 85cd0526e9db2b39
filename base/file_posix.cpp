#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/file.h"
#include "base/platform.h"
#include "base/platform_posix.h"

namespace qv {

namespace {

// The temporary file that SIGINT, SIGTERM or SIGHUP must not leave behind. A
// signal handler can reach nothing but static storage, so this one record is
// kept at file scope; the program writes one report at a time.
struct PendingRemoval {
  char path[PATH_MAX];
  volatile sig_atomic_t armed;
  bool handlersInstalled;
};
PendingRemoval pendingRemoval;

const int CLEANUP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

void removeAndDie(int signal) {
  if (pendingRemoval.armed) unlink(pendingRemoval.path);
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

// Holds the clean-up signals back while the temporary file and the record of
// it change together.
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

void disarm(const std::string& temporary) {
  if (pendingRemoval.armed && temporary == pendingRemoval.path) pendingRemoval.armed = 0;
}

// QUORVEL_TEST_STOP_AFTER_WRITES=N stops the process (SIGSTOP) after its Nth
// write to a temporary file, so that a test can signal a run at that point.
void stopForTestAfterWrite() {
  static long remaining = [] {
    const char* value = std::getenv("QUORVEL_TEST_STOP_AFTER_WRITES");
    return value != nullptr ? std::atol(value) : 0L;
  }();
  if (remaining > 0 && --remaining == 0) raise(SIGSTOP);
}

int openRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Where a write through path lands: symbolic links followed to their last
// target, which need not exist yet. A loop of links is left to fail later.
std::string lastTarget(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::string link(PATH_MAX, '\0');
    ssize_t length = readlink(path.c_str(), &link[0], link.size());
    if (length <= 0) break;
    link.resize(static_cast<size_t>(length));
    path = link[0] == '/' ? link : path.substr(0, path.rfind('/') + 1) + link;
  }
  return path;
}

mode_t currentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

bool File::openReplacement(const NativeString& path) {
  close();
  std::string native = posix::absoluteNative(path);
  if (native.empty()) return false;
  // Opening what is there first refuses a directory or a file that may not
  // be written, and tells a pipe or device, which is written in place.
  struct stat old;
  bool replacing = false;
  int fd = openRetrying(native.c_str(), O_WRONLY | O_NOCTTY);
  if (fd >= 0) {
    if (fstat(fd, &old) != 0) {
      int err = errno;
      ::close(fd);
      return posix::failWithErrno(err);
    }
    if (!S_ISREG(old.st_mode)) {
      handle_ = fd;
      return true;
    }
    ::close(fd);
    replacing = true;
  } else if (errno != ENOENT) {
    return posix::failWithErrno(errno);
  }

  std::string target = lastTarget(native);
  std::string directory = target.substr(0, target.rfind('/') + 1);
  std::string temporary = directory + ".quorvel-XXXXXX";
  // An unnamed file is invisible to a walk of its own directory (a report
  // with hidden entries would list a file that is gone afterwards) and leaves
  // nothing behind when the process is killed; it is named only in commit(),
  // through /proc. Where either is missing, a named temporary file serves.
  if (access("/proc/self/fd", X_OK) == 0) {
    fd = openRetrying(directory.empty() ? "." : directory.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd >= 0) {
      handle_ = fd;
      temporary_ = temporary;
      target_ = target;
      unnamed_ = true;
    }
  }
  if (!unnamed_) {
    SignalBlock block;
    fd = mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) {
        setLastError(CODE_PATH_NOT_FOUND);
        return false;
      }
      return posix::failWithErrno(errno);
    }
    if (temporary.size() < sizeof pendingRemoval.path) {
      installCleanupHandlers();
      std::memcpy(pendingRemoval.path, temporary.c_str(), temporary.size() + 1);
      pendingRemoval.armed = 1;
    }
    handle_ = fd;
    temporary_ = temporary;
    target_ = target;
  }
  if (replacing) {
    // Only root can give the file away; the bits are what matters.
    if (old.st_uid != geteuid() || old.st_gid != getegid()) {
      if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        // The new file stays ours.
      }
    }
  }
  mode_t mode = replacing ? old.st_mode & 07777 : 0666 & ~currentUmask();
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
  if (rename(temporary_.c_str(), target_.c_str()) != 0) {
    int err = errno;
    close();
    return posix::failWithErrno(err);
  }
  disarm(temporary_);
  temporary_.clear();
  return true;
}

bool File::nameUnnamed() {
  std::string link = "/proc/self/fd/" + std::to_string(handle_);
  std::string prefix = temporary_.substr(0, temporary_.size() - 6);
  SignalBlock block;
  for (unsigned attempt = 0;; ++attempt) {
    std::string name = prefix + std::to_string(getpid()) + "-" + std::to_string(attempt);
    if (name.size() >= sizeof pendingRemoval.path) {
      errno = ENAMETOOLONG;
      return false;
    }
    if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      installCleanupHandlers();
      std::memcpy(pendingRemoval.path, name.c_str(), name.size() + 1);
      pendingRemoval.armed = 1;
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
  if (size() == FAILURE_VALUE || seekToEnd() == FAILURE_VALUE) {
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
  if (isReplacement()) stopForTestAfterWrite();
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

uint32_t File::seek(int32_t distance, SeekOrigin origin) {
  if (!isOpen()) {
    setLastError(CODE_INVALID_HANDLE);
    return FAILURE_VALUE;
  }
  int whence = origin == SeekOrigin::START     ? SEEK_SET
               : origin == SeekOrigin::CURRENT ? SEEK_CUR
                                               : SEEK_END;
  off_t position = lseek(static_cast<int>(handle_), distance, whence);
  if (position < 0) {
    posix::failWithErrno(errno);
    return FAILURE_VALUE;
  }
  return static_cast<uint32_t>(position);
}

uint32_t File::size() {
  struct stat st;
  if (!isOpen()) {
    setLastError(CODE_INVALID_HANDLE);
    return FAILURE_VALUE;
  }
  if (fstat(static_cast<int>(handle_), &st) != 0) {
    posix::failWithErrno(errno);
    return FAILURE_VALUE;
  }
  return static_cast<uint32_t>(st.st_size);
}

void File::close() {
  if (handle_ != INVALID) {
    ::close(static_cast<int>(handle_));
    handle_ = INVALID;
  }
  if (unnamed_) {
    temporary_.clear();
    unnamed_ = false;
  }
  if (!temporary_.empty()) {
    SignalBlock block;
    unlink(temporary_.c_str());
    disarm(temporary_);
    temporary_.clear();
  }
}

}  // namespace qv
