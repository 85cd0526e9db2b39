// The platform seam. Everything the portable code needs from the operating
// system that does not belong to one of the handle classes (File, FindHandle,
// RegistryKey) is declared here and implemented once per platform, in
// platform_posix.cpp and platform_win32.cpp. All text crossing this seam is
// code page 932, but for names and paths in the platform's own form
// (NativeString: bytes on POSIX, UTF-16 on Windows), by which the file system
// is reached; a POSIX implementation converts at the boundary.
//
// Failures are reported the way the Win32 calls report them: by a false or
// zero result, with the reason left in lastError() as a Win32 error code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/time.h"

namespace qv {

// The platform's own form of a name or path: the bytes the POSIX system
// calls take, the UTF-16 of the Windows W calls.
#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif
using NativeString = std::basic_string<NativeChar>;
using NativeView = std::basic_string_view<NativeChar>;

// ASCII text (an option's pattern such as "*.*") in the native form.
inline NativeString asciiNative(std::string_view ascii) {
  return NativeString(ascii.begin(), ascii.end());
}

using WindowHandle = void*;
using ModuleHandle = void*;

// The path separator ('\\' on Windows, '/' on POSIX) and the size of a path
// buffer including its terminating zero (260 on Windows, PATH_MAX on POSIX).
extern const char PATH_SEPARATOR;
extern const int MAX_PATH_BYTES;

// File attribute bits, with the platform's values.
constexpr uint32_t ATTRIBUTE_READONLY = 0x1;
constexpr uint32_t ATTRIBUTE_HIDDEN = 0x2;
constexpr uint32_t ATTRIBUTE_SYSTEM = 0x4;
constexpr uint32_t ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t INVALID_ATTRIBUTES = 0xFFFFFFFF;

// Win32 error codes the program itself uses.
constexpr uint32_t CODE_INVALID_FUNCTION = 1;
constexpr uint32_t CODE_FILE_NOT_FOUND = 2;
constexpr uint32_t CODE_PATH_NOT_FOUND = 3;
constexpr uint32_t CODE_TOO_MANY_OPEN_FILES = 4;
constexpr uint32_t CODE_ACCESS_DENIED = 5;
constexpr uint32_t CODE_INVALID_HANDLE = 6;
constexpr uint32_t CODE_NOT_ENOUGH_MEMORY = 8;
constexpr uint32_t CODE_NO_MORE_FILES = 18;
constexpr uint32_t CODE_INVALID_PARAMETER = 87;
constexpr uint32_t CODE_BROKEN_PIPE = 109;
constexpr uint32_t CODE_INVALID_NAME = 123;
constexpr uint32_t CODE_FILENAME_TOO_LONG = 206;
constexpr uint32_t CODE_NO_DATA = 232;  // the reading end of a pipe is closed
// The program's own: the current directory has been removed, so a relative
// path leads nowhere (only POSIX lets that happen).
constexpr uint32_t CODE_CURRENT_DIRECTORY_GONE = 0x10000002;

// Message box styles and the buttons a box returns.
constexpr unsigned BOX_WARNING = 0x30;
constexpr unsigned BOX_INFORMATION = 0x40;
constexpr unsigned BOX_QUESTION_YES_NO = 0x24;
constexpr unsigned BOX_WARNING_YES_NO = 0x34;
constexpr int BUTTON_OK = 1;
constexpr int BUTTON_YES = 6;
constexpr int BUTTON_NO = 7;

// True when a box of this style asks Yes or No (MB_YESNO in its low bits).
constexpr bool asksYesNo(unsigned style) {
  return (style & 0xF) == 0x4;
}

// The calling thread's last error code.
uint32_t lastError();
void setLastError(uint32_t code);

// True when the byte starts a double-byte character of code page 932.
bool isLeadByte(unsigned char byte);

// The length in bytes of the character at text[i] of a name in the
// platform's own bytes: a UTF-8 sequence on POSIX (1 for a byte that starts
// none), a double-byte character of code page 932 on Windows.
size_t nativeCharacterLength(std::string_view text, size_t i);

// Appends native text (a name or path in the platform's own form) as UTF-8:
// on POSIX its bytes unchanged, invalid sequences included; on Windows its
// UTF-16 converted (an unpaired surrogate becomes U+FFFD).
void appendNativeAsUtf8(NativeView native, std::string& out);

// Appends the code page 932 text of a native name or path, made for showing
// it: a character without a CP932 form becomes "?" (never a look-alike, so
// that no name shows as a separator).
void appendNativeAsCp932(NativeView native, std::string& out);

// The native form of code page 932 text the program holds (a path it was
// not given in any other form): the text converted.
NativeString nativeOf(std::string_view cp932);

// The absolute form of a native path cut into the directory part (ending in
// the separator) and the last component (empty when the path ends in a
// separator), of any length. False, with the last error set, when it cannot
// be made.
bool nativeFullPath(const NativeString& path, NativeString& directory, NativeString& name);

// GetFileAttributes: the attribute bits of a native path, or
// INVALID_ATTRIBUTES.
uint32_t fileAttributes(const NativeString& path);

// The module handle of the running program (null where there is none).
ModuleHandle currentModule();

// Shows text in a message box captioned caption with the given style and
// returns the button pressed, or 0 when no box could be shown.
int showMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style);

// Writes text (code page 932) to standard error, where the program has one.
// False when it could not be written.
bool writeStandardError(const char* text);

// The width in columns of the terminal that standard error is, or 0 when
// standard error is not a terminal.
int standardErrorTerminalWidth();

// Starts program with parameters (native: the path of the report, as it was
// given) as its argument text and does not wait for it. False when it could
// not be started.
bool startProgram(const char* program, const NativeString& parameters);

// ExpandEnvironmentStringsA: replaces each %NAME% whose variable is set by its
// value. Returns the size of the result with its zero; writes it into buffer
// only when it fits in size bytes. Returns 0 on failure.
uint32_t expandEnvironmentStrings(const char* source, char* buffer, uint32_t size);

// A time in the local calendar: its date, day of the week (0 for Sunday)
// and time of day.
struct SystemTime {
  uint16_t year;
  uint16_t month;
  uint16_t dayOfWeek;
  uint16_t day;
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t milliseconds;
};

// Converts time to local calendar time, with the zone's offset as the
// platform applies it. False when the time is unknown or has no calendar
// form here (years 1601 to 30827); out is then unspecified.
bool toLocalTime(Time time, SystemTime& out);

// The system's message text for an error code, owned by this object; null
// when the system has none for the code. The text keeps its line ending and
// is in the language of the user's system messages (on POSIX, Japanese when
// LC_ALL, LC_MESSAGES or LANG, the first one set, starts with "ja", else
// English).
class SystemMessage {
 public:
  explicit SystemMessage(uint32_t code);
  ~SystemMessage();
  SystemMessage(const SystemMessage&) = delete;
  SystemMessage& operator=(const SystemMessage&) = delete;

  const char* text() const { return text_; }

 private:
  char* text_;
};

}  // namespace qv
