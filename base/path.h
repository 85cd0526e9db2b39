// Path helpers: free operations on file-system paths held as String (code page
// 932). Every split of a path into its directory and its name goes through
// splitAbsolute, which cuts where the system says the last component starts
// (the byte of the separator may be the second byte of a double-byte
// character). The others make a path absolute against the current directory, split the
// absolute form into its directory part (ending in the separator) and its
// file-name part (empty when the path ends in a separator), and test whether
// a path exists. Failures throw Exception.
//
// Path is one path as the program carries it from where it enters (an
// argument, a dialog field, a picker) to where it is used: the text shown to
// the user and written in reports (code page 932) and the native form the
// file system is reached by (bytes on POSIX, UTF-16 on Windows). The two are
// made together, from whichever the path came in, and travel as one value; a
// path whose native form has no exact CP932 text keeps its native form and
// shows "?" for what has none.
#pragma once

#include "base/platform.h"
#include "base/string.h"

namespace qv {

class Path {
 public:
  Path() = default;
  // Text the program holds: its native form is the text converted.
  Path(const String& shown);  // NOLINT: implicit, a path given as text
  Path(const char* shown);    // NOLINT
  Path(String shown, NativeString native) : shown_(std::move(shown)), native_(std::move(native)) {}

  // A path that came in native (an argument, a picker): its shown text is
  // made from it, "?" for each character without a CP932 form.
  static Path fromNative(NativeString native);

  const String& shown() const { return shown_; }
  const NativeString& native() const { return native_; }
  bool empty() const { return native_.empty(); }

 private:
  String shown_;
  NativeString native_;
};

// The absolute form of path cut into its directory part (ending in the
// separator) and its last component (empty when path ends in a separator),
// both shown and native. False, with the last error set, when it cannot be
// made. Implemented per platform: POSIX bounds the shown text by a path
// buffer; Windows takes paths of any length.
bool splitFullPath(const Path& path, Path& directory, Path& name);

// The absolute form of path cut into its directory part (ending in the
// separator) and its file-name part (empty when path ends in a separator),
// where the system says the last component starts. False, with both
// cleared and the last error set, when it cannot be made: 206 when it does
// not fit a path buffer. Never throws but for memory. Implemented per
// platform.
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
bool pathExists(const Path& path, bool directoryOnly);

}  // namespace qv
