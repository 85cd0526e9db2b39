// Path helpers: free operations on file-system paths held as String (code page
// 932). Every split of a path into its directory and its name goes through
// splitAbsolute, which cuts where the system says the last component starts
// (the byte of the separator may be the second byte of a double-byte
// character). The others make a path absolute against the current directory, split the
// absolute form into its directory part (ending in the separator) and its
// file-name part (empty when the path ends in a separator), and test whether
// a path exists. Failures throw Exception.
#pragma once

#include "base/string.h"

namespace qv {

// The absolute form of path cut into its directory part (ending in the
// separator) and its file-name part (empty when path ends in a separator).
// False, with the last error set, when it cannot be made: 206 when it does not
// fit a path buffer. Never throws but for memory.
bool splitAbsolute(const char* path, String& directory, String& name);

// The absolute form of path (empty for an empty path). Throws Exception with
// the last error when it cannot be made or does not fit a path buffer, and 3
// when mustExist is set and no file or directory of that name exists.
String fullPathOf(const String& path, bool mustExist);

// The directory part of path's absolute form; name receives the file-name
// part. Throws as fullPathOf, and 3 when mustExist is set and the directory
// part does not exist.
String splitPath(const String& path, String& name, bool mustExist);

// The directory part alone, as splitPath.
String directoryOf(const String& path, bool mustExist);

// True when path names an existing file or directory (with directoryOnly, a
// directory). Never throws.
bool pathExists(const String& path, bool directoryOnly);

}  // namespace qv
