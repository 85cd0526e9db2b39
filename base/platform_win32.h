// What the Windows files of the platform seam share: the conversions between
// the program's code page 932 text and the UTF-16 the W calls take, the
// path forms those calls need, and between the system's file times and the
// program's Time. The file system is reached by UTF-16 only;
// code page 932 is the text the user sees.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/time.h"

namespace qv::win32 {

// UTF-16 of code page 932 text.
std::wstring widen(std::string_view cp932);

// The absolute form of path (GetFullPathNameW, any length, "/" turned into
// "\"); *filePart receives the position of the last component, or npos when
// the path ends in a separator. False, with the last error set, on failure.
bool fullPath(const std::wstring& path, std::wstring& absolute, size_t* filePart);

// The form of an absolute path that the W calls take at any length:
// "\\?\C:\..." or "\\?\UNC\server\share\..."; a path that has a prefix of
// that kind, or is relative, comes back unchanged.
std::wstring extendedPath(const std::wstring& absolute);

// extendedPath of the absolute form of path; empty, with the last error
// set, when none can be made.
std::wstring extendedFullPath(const std::wstring& path);

// The program's Time of a file time as the system's calls give it (FILETIME's
// two halves joined); unknown for one from 2^63 on, which the system cannot
// convert.
Time timeOf(uint64_t fileTime);

// The file time of time. False when it has none (unknown, or before 1601).
bool fileTimeOf(Time time, uint64_t& fileTime);

}  // namespace qv::win32
