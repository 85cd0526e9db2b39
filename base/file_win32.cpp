#include <windows.h>

#include <string>

#include "base/file.h"
#include "base/platform_win32.h"

namespace qv {

namespace {

HANDLE toHandle(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

FileObserver* observer = nullptr;

}  // namespace

void setFileObserver(FileObserver* watcher) {
  observer = watcher;
}

bool File::openReplacement(const NativeString& path) {
  close();
  std::wstring target = win32::extendedFullPath(path);
  if (target.empty()) return false;
  // Opening what is there first refuses a directory, a read-only file or one
  // that another program writes, and tells a pipe or device (NUL, CON, a
  // named pipe), which is written in place.
  DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
  HANDLE existing = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    if (GetFileType(existing) != FILE_TYPE_DISK) {
      handle_ = reinterpret_cast<intptr_t>(existing);
      return true;
    }
    CloseHandle(existing);
    DWORD old = GetFileAttributesW(target.c_str());
    // Wine run by root opens a read-only file for writing all the same.
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) != 0) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    if (old != INVALID_FILE_ATTRIBUTES) attributes = old;
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return false;
  }
  if (observer != nullptr) observer->lookedAtTarget();

  size_t cut = target.rfind(L'\\');
  if (cut == std::wstring::npos || cut + 1 == target.size()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // A name no other run has, made here: GetTempFileName takes no path
  // longer than MAX_PATH. Hidden while it is written, so that a report of
  // its own directory does not list it; it takes the old file's attributes
  // before it is moved.
  std::wstring directory = target.substr(0, cut + 1);
  unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::wstring temporary;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    wchar_t name[16];
    wsprintfW(name, L"qv%04X.tmp", (seed + attempt * 7919u) & 0xFFFFu);
    temporary = directory + name;
    handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (handle == INVALID_HANDLE_VALUE) return false;
  // Wine takes the attribute from CreateFileW only for a file it creates.
  SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_HIDDEN);
  handle_ = reinterpret_cast<intptr_t>(handle);
  temporary_ = temporary;
  target_ = target;
  attributes_ = attributes;
  return true;
}

bool File::commit() {
  if (!isOpen()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  HANDLE handle = toHandle(handle_);
  handle_ = INVALID;
  if (!CloseHandle(handle)) {
    DWORD error = GetLastError();
    close();
    SetLastError(error);
    return false;
  }
  if (temporary_.empty()) return true;
  SetFileAttributesW(temporary_.c_str(), attributes_);
  if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD error = GetLastError();
    close();
    SetLastError(error);
    return false;
  }
  temporary_.clear();
  return true;
}

bool File::open(const NativeString& path, OpenMode mode) {
  close();
  DWORD sharing = mode == OpenMode::APPEND_SHARE_READ ? FILE_SHARE_READ : 0;
  std::wstring extended = win32::extendedFullPath(path);
  if (extended.empty()) return false;
  HANDLE handle = CreateFileW(extended.c_str(), GENERIC_WRITE, sharing, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(handle);
  if (!size() || !seekToEnd()) {
    DWORD error = GetLastError();
    close();
    SetLastError(error);
    return false;
  }
  return true;
}

bool File::openStandardOutput() {
  close();
  HANDLE process = GetCurrentProcess();
  HANDLE standardOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  HANDLE handle = nullptr;
  if (standardOutput == nullptr || standardOutput == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (!DuplicateHandle(process, standardOutput, process, &handle, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(handle);
  return true;
}

bool File::write(const void* data, uint32_t length, uint32_t* written) {
  *written = 0;
  DWORD count = 0;
  BOOL ok = WriteFile(toHandle(handle_), data, length, &count, nullptr);
  *written = count;
  if (ok && observer != nullptr && !temporary_.empty()) observer->wroteReplacement();
  return ok != FALSE;
}

bool File::writeAt(uint64_t offset, const void* data, uint32_t length) {
  LARGE_INTEGER at, end, none;
  at.QuadPart = static_cast<LONGLONG>(offset);
  none.QuadPart = 0;
  HANDLE handle = toHandle(handle_);
  if (!SetFilePointerEx(handle, none, &end, FILE_CURRENT) ||
      !SetFilePointerEx(handle, at, nullptr, FILE_BEGIN)) {
    return false;
  }
  const char* bytes = static_cast<const char*>(data);
  bool ok = true;
  while (ok && length > 0) {
    DWORD count = 0;
    ok = WriteFile(handle, bytes, length, &count, nullptr) != FALSE && count > 0;
    bytes += count;
    length -= count;
  }
  DWORD error = GetLastError();
  if (!SetFilePointerEx(handle, end, nullptr, FILE_BEGIN)) return false;
  SetLastError(error);
  return ok;
}

std::optional<uint64_t> File::seek(int64_t distance, SeekOrigin origin) {
  DWORD method = origin == SeekOrigin::START     ? FILE_BEGIN
                 : origin == SeekOrigin::CURRENT ? FILE_CURRENT
                                                 : FILE_END;
  LARGE_INTEGER move, position;
  move.QuadPart = distance;
  if (!SetFilePointerEx(toHandle(handle_), move, &position, method)) return std::nullopt;
  return static_cast<uint64_t>(position.QuadPart);
}

std::optional<uint64_t> File::size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(toHandle(handle_), &size)) return std::nullopt;
  return static_cast<uint64_t>(size.QuadPart);
}

void File::close() {
  if (handle_ != INVALID) {
    CloseHandle(toHandle(handle_));
    handle_ = INVALID;
  }
  if (!temporary_.empty()) {
    DeleteFileW(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace qv
