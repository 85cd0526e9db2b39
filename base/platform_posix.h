// What the POSIX files of the platform seam share: the translation of errno
// into the Win32 error codes the program reports, and the conversion between
// the program's code page 932 text and the system's text (UTF-8 names, the
// locale's encoding for arguments and messages).
//
// A name that has no exact code page 932 form (Café, a wave dash, bytes that
// are not UTF-8) is shown with "?" or a near character, so its CP932 form
// cannot be turned back into the name. The conversion remembers, for each
// such name it meets, which native name stood behind its CP932 form in which
// native directory, and nativePath() goes back through that memory component
// by component. The memory lives as long as the process.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qv::posix {

// The Win32 error code standing for errno value err.
uint32_t errorFromErrno(int err);

// Sets the last error from errno value err and returns false, for the
// wrappers' failure paths.
bool failWithErrno(int err);

// Converts native (UTF-8) text to code page 932 into out. A character without
// a CP932 form becomes "?". Returns true when the result converts back to the
// input exactly.
bool toCp932(std::string_view native, std::string& out);

// Converts code page 932 text to UTF-8 into out; a byte sequence that is not
// CP932 becomes "?".
void toUtf8(std::string_view cp932, std::string& out);

// The absolute form of a path with "/" separators: relative paths are taken
// against currentDirectory, repeated separators are folded and "." and ".."
// resolved as text (links are not followed). A trailing separator is kept.
// Works on CP932 and UTF-8 text alike.
std::string absolutePath(std::string_view path, std::string_view currentDirectory);

// The path with a leading "~" or "~user" (everything before the first "/")
// replaced by the home directory, as a shell expands it: "~" is $HOME, or the
// user's own home when that is unset or empty. Native bytes in and out; a
// path without a leading "~", or whose user is unknown, comes back unchanged.
std::string expandHome(std::string_view native);

// The current directory in code page 932, its lossy components remembered.
// Empty when it cannot be read; the last error is then set.
std::string currentDirectory();

// The native path to hand to the system for a CP932 path: absolute, and with
// every remembered lossy component turned back into its native name.
std::string nativePath(std::string_view cp932Path);

// The native form of a CP932 path as it is written, relative or not: each
// component is turned into its native name, remembered ones included, and
// nothing is resolved or made absolute. For paths handed on to other programs.
std::string nativeText(std::string_view cp932Path);

// Remembers that cp932Name, the CP932 form of nativeName, stands for it in the
// native directory nativeParent ("/" or a path without a trailing separator).
void rememberName(std::string_view nativeParent, std::string_view cp932Name,
                  std::string_view nativeName);

// Converts native (UTF-8) text that may be a path to CP932. When it has no
// exact CP932 form, each of its path components is remembered under its
// absolute native parent, so that the CP932 path leads back to it.
std::string pathToCp932(std::string_view native);

// Converts a command-line argument from the locale's encoding to CP932. When
// the argument has no exact CP932 form, each of its path components is
// remembered under its absolute native parent.
std::string argumentToCp932(const char* argument);

// Converts CP932 text to the locale's encoding, for text shown to the user.
std::string toLocale(std::string_view cp932);

// Drops the directory listing kept for the next scan of the same directory;
// called whenever the program creates or empties a file.
void forgetListings();

}  // namespace qv::posix
