#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "base/file.h"
#include "base/platform.h"
#include "base/platform_posix.h"

namespace qv {

namespace {

int openFlags(int mode) {
  switch (mode) {
    case 1:
      return O_RDWR | O_CREAT;
    case 2:
      return O_RDONLY;
    case 3:
    case 4:
      return O_WRONLY | O_CREAT | O_TRUNC;
    case 5:
    case 6:
      return O_WRONLY | O_CREAT;
    default:
      return O_RDWR | O_CREAT;
  }
}

// A missing file is ERROR_FILE_NOT_FOUND, a missing directory on the way to it
// ERROR_PATH_NOT_FOUND, as the system reports them.
uint32_t missingCode(const std::string& native) {
  std::string parent = native.substr(0, native.rfind('/') + 1);
  struct stat st;
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? CODE_FILE_NOT_FOUND
                                                               : CODE_PATH_NOT_FOUND;
}

}  // namespace

bool File::open(const char* path, int mode) {
  close();
  std::string native = posix::nativePath(path);
  if (native.empty()) return false;
  int fd;
  do {
    fd = ::open(native.c_str(), openFlags(mode) | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == ENOENT) {
      setLastError(missingCode(native));
      return false;
    }
    return posix::failWithErrno(errno);
  }
  handle_ = fd;
  if (size() == FAILURE_VALUE || (mode == 5 && seekToEnd() == FAILURE_VALUE)) {
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
  return true;
}

uint32_t File::seek(int32_t distance, int origin) {
  if (!isOpen()) {
    setLastError(CODE_INVALID_HANDLE);
    return FAILURE_VALUE;
  }
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
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
}

}  // namespace qv
