// What the POSIX files of the platform seam share: the translation of errno
// into the Win32 error codes the program reports, and the conversion between
// the program's code page 932 text and the system's text (UTF-8 names, the
// locale's encoding for arguments and messages).
//
// Names read from the file system never go through code page 932 and back:
// the walk keeps their native bytes and makes CP932 text only for the report.
// What the user types (arguments, dialog fields) enters as a Path
// (base/path.h) that carries its native bytes beside its CP932 text.
#pragma once

#include <time.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/time.h"

namespace qv::posix {

// The Win32 error code standing for errno value err.
uint32_t errorFromErrno(int err);

// The code for an absolute native path that does not exist (ENOENT), as the
// system tells them apart: 2 when only the last component is missing, 3 when
// a directory on the way to it is.
uint32_t missingPathCode(const std::string& native);

// Sets the last error from errno value err and returns false, for the
// wrappers' failure paths.
bool failWithErrno(int err);

// Reads the tables of the conversion between code page 932 and Unicode, the
// first time only; after that no conversion needs a descriptor or memory of
// the system's. False, with errno set, when the system's converter cannot be
// opened (every conversion would then give "?").
bool loadConversionTables();

// Converts native (UTF-8) text to code page 932 into out. A character without
// a CP932 form becomes "?". Returns true when the result converts back to the
// input exactly.
bool toCp932(std::string_view native, std::string& out);

// The length of the character at text[i]: its UTF-8 sequence, or 1 for a
// byte that does not start one.
size_t utf8Length(std::string_view text, size_t i);

// Converts code page 932 text to UTF-8 into out; a byte sequence that is not
// CP932 becomes "?".
void toUtf8(std::string_view cp932, std::string& out);

// The absolute form of a path with "/" separators: relative paths are taken
// against currentDirectory, repeated separators are folded and "." and ".."
// resolved as text (links are not followed). A trailing separator is kept.
// Works on CP932 and UTF-8 text alike.
std::string absolutePath(std::string_view path, std::string_view currentDirectory);

// Where the last component of a native path starts: just after its last "/",
// 0 when it has none. Every split of a path with "/" separators cuts here: a
// "/" byte is always a separator, in UTF-8 and in code page 932 alike (no
// second byte of a CP932 character is 0x2F).
inline size_t lastComponentStart(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// The value of the environment variable name; empty when it is unset.
std::string environment(const char* name);

// c with an ASCII letter turned to lower case; other bytes unchanged (the
// upper-case fold of names and patterns is foldCase, report/wildcard.h).
inline char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The path with a leading "~" or "~user" (everything before the first "/")
// replaced by the home directory, as a shell expands it: "~" is $HOME, or the
// user's own home when that is unset or empty. Native bytes in and out; a
// path without a leading "~", or whose user is unknown, comes back unchanged.
std::string expandHome(std::string_view native);

// The current directory, native. False, with the last error set, when it
// cannot be read (CODE_CURRENT_DIRECTORY_GONE when it has been removed).
bool currentDirectory(std::string& out);

// The absolute form of a native path, against the current directory; "."
// and ".." resolved as text. Empty, with the last error set, when it cannot
// be made.
std::string absoluteNative(const std::string& native);

// absoluteNative() of CP932 text the program holds, converted to UTF-8.
std::string nativePath(std::string_view cp932Path);

// The program's Time of a time that stat gave (st_mtim and the like). Both
// builds know the same span of times, that of the Windows file times (1601
// to 30828): a time outside it is unknown.
Time timeOf(const struct timespec& t);

// A command-line argument in the locale's encoding, as UTF-8.
std::string fromLocale(const char* text);

// Starts the program arguments[0] (a path, or a name looked for on PATH as
// execvp() does) with the arguments as they are, and does not wait for it;
// no shell reads them. False, with the last error set, when it cannot start.
bool startArguments(const std::vector<std::string>& arguments);

// Converts CP932 text to the locale's encoding, for text shown to the user.
std::string toLocale(std::string_view cp932);

}  // namespace qv::posix
