#include <windows.h>

#include <cstring>
#include <vector>

#include "base/platform.h"

namespace qv {

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
  return i + 1 < text.size() && IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
}

void appendNativeAsUtf8(std::string_view native, std::string& out) {
  if (native.empty()) return;
  // Text conversion only: the names themselves were read with the A calls.
  int size = static_cast<int>(native.size());
  int wideLength = MultiByteToWideChar(932, 0, native.data(), size, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(wideLength > 0 ? wideLength : 1));
  wideLength = MultiByteToWideChar(932, 0, native.data(), size, wide.data(), wideLength);
  int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (wideLength <= 0 || length <= 0) {
    out.append(native);
    return;
  }
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(length));
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &out[at], length, nullptr, nullptr);
}

uint32_t fullPathName(const char* path, uint32_t bufferSize, char* buffer, char** filePart) {
  if (filePart != nullptr) *filePart = nullptr;
  return GetFullPathNameA(path, bufferSize, buffer, filePart);
}

bool nativeOf(const char* text, std::string& native) {
  native = text;
  return true;
}

std::vector<std::string> nativePatternsOf(const char* pattern) {
  return {pattern};
}

bool nativeFullPath(const std::string& path, std::string& directory, std::string& name) {
  std::vector<char> buffer(MAX_PATH);
  char* filePart = nullptr;
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer.data(), &filePart);
  if (length == 0) return false;
  if (length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  name = filePart != nullptr ? filePart : "";
  if (filePart != nullptr) *filePart = '\0';
  directory = buffer.data();
  return true;
}

uint32_t fileAttributes(const char* path) {
  return GetFileAttributesA(path);
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

bool startProgram(const char* program, const char* parameters) {
  if (program == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  SetLastError(ERROR_SUCCESS);
  HINSTANCE result = ShellExecuteA(nullptr, nullptr, program, parameters, nullptr, SW_SHOWNORMAL);
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

bool fileTimeToLocalTime(uint64_t fileTime, SystemTime& out) {
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
