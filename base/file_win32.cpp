#include <windows.h>

#include "base/file.h"

namespace qv {

namespace {

struct OpenMode {
  DWORD access;
  DWORD sharing;
  DWORD creation;
};

OpenMode openMode(int mode) {
  switch (mode) {
    case 1:
      return {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS};
    case 2:
      return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
    case 3:
      return {GENERIC_WRITE, 0, CREATE_ALWAYS};
    case 4:
      return {GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS};
    case 5:
      return {GENERIC_WRITE, 0, OPEN_ALWAYS};
    case 6:
      return {GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS};
    default:
      return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS};
  }
}

HANDLE toHandle(intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

bool File::open(const char* path, int mode) {
  close();
  OpenMode m = openMode(mode);
  HANDLE handle =
      CreateFileA(path, m.access, m.sharing, nullptr, m.creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<intptr_t>(handle);
  if (size() == FAILURE_VALUE || (mode == 5 && seekToEnd() == FAILURE_VALUE)) {
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
  return ok != FALSE;
}

uint32_t File::seek(int32_t distance, int origin) {
  DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
  return SetFilePointer(toHandle(handle_), distance, nullptr, method);
}

uint32_t File::size() {
  return GetFileSize(toHandle(handle_), nullptr);
}

void File::close() {
  if (handle_ != INVALID) {
    CloseHandle(toHandle(handle_));
    handle_ = INVALID;
  }
}

}  // namespace qv
