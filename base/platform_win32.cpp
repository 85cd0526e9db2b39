#include <windows.h>

#include <cstring>
#include <vector>

#include "base/path.h"
#include "base/platform.h"
#include "base/platform_win32.h"

namespace qv {

namespace win32 {

std::wstring widen(std::string_view cp932) {
  if (cp932.empty()) return std::wstring();
  int size = static_cast<int>(cp932.size());
  int length = MultiByteToWideChar(932, 0, cp932.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(932, 0, cp932.data(), size, wide.data(), length);
  return wide;
}

bool fullPath(const std::wstring& path, std::wstring& absolute, size_t* filePart) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    wchar_t* part = nullptr;
    DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &part);
    if (length == 0) return false;
    if (length < buffer.size()) {
      if (filePart != nullptr) {
        *filePart =
            part != nullptr ? static_cast<size_t>(part - buffer.data()) : std::wstring::npos;
      }
      buffer.resize(length);
      absolute = std::move(buffer);
      return true;
    }
    buffer.assign(length, L'\0');
  }
}

std::wstring extendedPath(const std::wstring& absolute) {
  if (absolute.compare(0, 4, L"\\\\?\\") == 0 || absolute.compare(0, 4, L"\\\\.\\") == 0) {
    return absolute;
  }
  if (absolute.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + absolute.substr(2);
  if (absolute.size() >= 3 && absolute[1] == L':' && absolute[2] == L'\\') {
    return L"\\\\?\\" + absolute;
  }
  return absolute;
}

std::wstring extendedFullPath(const std::wstring& path) {
  std::wstring absolute;
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::wstring();
  }
  if (!fullPath(path, absolute, nullptr)) return std::wstring();
  return extendedPath(absolute);
}

// A file time counts 100 ns units from 1601-01-01 00:00:00 UTC; the
// system takes none from 2^63 on.
constexpr int64_t EPOCH_TICKS = 11644473600LL * Time::TICKS_PER_SECOND;

Time timeOf(uint64_t fileTime) {
  if (fileTime > static_cast<uint64_t>(INT64_MAX)) return Time();
  return Time{static_cast<int64_t>(fileTime) - EPOCH_TICKS};
}

bool fileTimeOf(Time time, uint64_t& fileTime) {
  if (!time.known() || time.ticks < -EPOCH_TICKS) return false;
  if (time.ticks > INT64_MAX - EPOCH_TICKS) return false;
  fileTime = static_cast<uint64_t>(time.ticks + EPOCH_TICKS);
  return true;
}

}  // namespace win32

const char PATH_SEPARATOR = '\\';
const int MAX_PATH_BYTES = MAX_PATH;

uint32_t lastError() {
  return GetLastError();
}

void setLastError(uint32_t code) {
  SetLastError(code);
}

bool isLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

size_t nativeCharacterLength(std::string_view text, size_t i) {
  // Names are matched as the UTF-8 of their UTF-16 (appendNativeAsUtf8).
  unsigned char b = static_cast<unsigned char>(text[i]);
  size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  if (i + length > text.size()) return 1;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

void appendNativeAsUtf8(NativeView native, std::string& out) {
  if (native.empty()) return;
  int size = static_cast<int>(native.size());
  int length = WideCharToMultiByte(CP_UTF8, 0, native.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return;
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(length));
  WideCharToMultiByte(CP_UTF8, 0, native.data(), size, &out[at], length, nullptr, nullptr);
}

void appendNativeAsCp932(NativeView native, std::string& out) {
  if (native.empty()) return;
  // No best fit: the system would show a yen sign as a backslash and an
  // accented letter as its plain one, which are other names.
  const DWORD flags = WC_NO_BEST_FIT_CHARS;
  int size = static_cast<int>(native.size());
  BOOL lossy = FALSE;
  char name[1024];
  if (native.size() * 2 <= sizeof name) {
    // A name (at most 255 units) converts in one call.
    int length =
        WideCharToMultiByte(932, flags, native.data(), size, name, sizeof name, "?", &lossy);
    if (length > 0 && !lossy) {
      out.append(name, static_cast<size_t>(length));
      return;
    }
  } else {
    int length = WideCharToMultiByte(932, flags, native.data(), size, nullptr, 0, "?", &lossy);
    if (length > 0 && !lossy) {
      size_t at = out.size();
      out.resize(at + static_cast<size_t>(length));
      WideCharToMultiByte(932, flags, native.data(), size, &out[at], length, "?", nullptr);
      return;
    }
  }
  // Character by character, so that a pair of surrogates becomes one "?".
  for (size_t i = 0; i < native.size();) {
    size_t count = 1;
    if (native[i] >= 0xD800 && native[i] < 0xDC00 && i + 1 < native.size() &&
        native[i + 1] >= 0xDC00 && native[i + 1] < 0xE000) {
      count = 2;
    }
    char bytes[8];
    BOOL missing = FALSE;
    int n = count == 1
                ? WideCharToMultiByte(932, flags, &native[i], 1, bytes, sizeof bytes, "?", &missing)
                : 0;
    if (n > 0 && !missing) {
      out.append(bytes, static_cast<size_t>(n));
    } else {
      out += '?';
    }
    i += count;
  }
}

bool splitAbsolute(const char* path, String& directory, String& name) {
  directory = "";
  name = "";
  // The system finds the last component: in code page 932 the byte of "\"
  // may be the second one of a character.
  std::vector<char> buffer(MAX_PATH);
  char* filePart = nullptr;
  DWORD length = GetFullPathNameA(path, MAX_PATH, buffer.data(), &filePart);
  if (length == 0) return false;
  // A result that does not fit is not written, and the system sets no error.
  if (length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  if (filePart != nullptr) {
    name = filePart;
    *filePart = '\0';
  }
  directory = buffer.data();
  return true;
}

NativeString nativeOf(std::string_view cp932) {
  return win32::widen(cp932);
}

bool nativeFullPath(const NativeString& path, NativeString& directory, NativeString& name) {
  std::wstring absolute;
  size_t filePart = 0;
  if (!win32::fullPath(path, absolute, &filePart)) return false;
  if (filePart == std::wstring::npos) filePart = absolute.size();
  name = absolute.substr(filePart);
  directory = absolute.substr(0, filePart);
  return true;
}

bool splitFullPath(const Path& path, Path& directory, Path& name) {
  NativeString nativeDirectory, nativeName;
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (!nativeFullPath(path.native(), nativeDirectory, nativeName)) return false;
  directory = Path::fromNative(std::move(nativeDirectory));
  name = Path::fromNative(std::move(nativeName));
  return true;
}

uint32_t fileAttributes(const NativeString& path) {
  std::wstring extended = win32::extendedFullPath(path);
  if (extended.empty()) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(extended.c_str());
}

ModuleHandle currentModule() {
  return GetModuleHandleA(nullptr);
}

int standardErrorTerminalWidth() {
  // A program of the windows subsystem has a console only when it was given
  // one; a redirected standard error is no console.
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !GetConsoleScreenBufferInfo(handle, &info)) {
    return 0;
  }
  return info.dwSize.X > 0 ? info.dwSize.X : 80;
}

int showMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

bool writeStandardError(const char* text) {
  // A program of the windows subsystem has a standard error only when its
  // caller redirected one.
  HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return true;
  DWORD length = static_cast<DWORD>(std::strlen(text));
  DWORD written = 0;
  return WriteFile(handle, text, length, &written, nullptr) && written == length;
}

bool startProgram(const char* program, const NativeString& parameters) {
  if (program == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  SetLastError(ERROR_SUCCESS);
  std::wstring wideProgram = win32::widen(program);
  HINSTANCE result = ShellExecuteW(nullptr, nullptr, wideProgram.c_str(), parameters.c_str(),
                                   nullptr, SW_SHOWNORMAL);
  INT_PTR code = reinterpret_cast<INT_PTR>(result);
  if (code > 32) return true;
  // The shell's own codes 2, 3, 5 and 8 are the system's codes of the same
  // meaning; the rest are left for the last error, when the shell set one.
  if (GetLastError() == ERROR_SUCCESS) {
    SetLastError(code == 0 ? ERROR_NOT_ENOUGH_MEMORY : static_cast<DWORD>(code));
  }
  return false;
}

uint32_t expandEnvironmentStrings(const char* source, char* buffer, uint32_t size) {
  if (source == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // Expanded into a buffer of our own first: the ANSI call may fill part of a
  // buffer that is too small, and may ask for more than the text needs.
  std::vector<char> expanded(256);
  for (;;) {
    DWORD needed =
        ExpandEnvironmentStringsA(source, expanded.data(), static_cast<DWORD>(expanded.size()));
    if (needed == 0) return 0;
    if (needed <= expanded.size()) break;
    expanded.assign(needed, '\0');
  }
  uint32_t length = static_cast<uint32_t>(std::strlen(expanded.data())) + 1;
  if (buffer != nullptr && length <= size) std::memcpy(buffer, expanded.data(), length);
  return length;
}

bool toLocalTime(Time time, SystemTime& out) {
  uint64_t fileTime;
  if (!win32::fileTimeOf(time, fileTime)) return false;
  FILETIME utc;
  utc.dwLowDateTime = static_cast<DWORD>(fileTime);
  utc.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  FILETIME local;
  SYSTEMTIME t;
  // The zone's present offset, not the one in force at the file's date.
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return false;
  out.year = t.wYear;
  out.month = t.wMonth;
  out.dayOfWeek = t.wDayOfWeek;
  out.day = t.wDay;
  out.hour = t.wHour;
  out.minute = t.wMinute;
  out.second = t.wSecond;
  out.milliseconds = t.wMilliseconds;
  return true;
}

SystemMessage::SystemMessage(uint32_t code) : text_(nullptr) {
  // 0x800: the system's default language.
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0x800,
                 reinterpret_cast<LPSTR>(&text_), 0, nullptr);
}

SystemMessage::~SystemMessage() {
  if (text_ != nullptr) LocalFree(text_);
}

}  // namespace qv
