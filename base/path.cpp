#include "base/path.h"

#include "base/error.h"
#include "base/platform.h"

namespace qv {

namespace {

void makeAbsolute(const String& path, String& directory, String& name) {
  directory = "";
  name = "";
  if (path.length() == 0) return;
  if (!splitAbsolute(path.cStr(), directory, name)) throwLastError();
}

bool directoryExists(const String& directory) {
  // The directory part less its trailing separator, unless that is all it is.
  int length = directory.length();
  String withoutSeparator = length > 1 ? directory.left(length - 1) : directory.copy();
  return pathExists(withoutSeparator, true);
}

}  // namespace

Path::Path(const String& shown) : shown_(shown), native_(nativeOf(shown.cStr())) {}

Path::Path(const char* shown) : Path(String(shown)) {}

Path Path::fromNative(NativeString native) {
  std::string shown;
  appendNativeAsCp932(native, shown);
  return Path(String(shown.c_str()), std::move(native));
}

String fullPathOf(const String& path, bool mustExist) {
  String directory, name;
  makeAbsolute(path, directory, name);
  String absolute = directory + name;
  if (mustExist) {
    bool exists = name.length() > 0 ? pathExists(absolute, false) : directoryExists(directory);
    if (!exists) throwError(CODE_PATH_NOT_FOUND);
  }
  return absolute;
}

String splitPath(const String& path, String& name, bool mustExist) {
  name = "";
  String directory, fileName;
  makeAbsolute(path, directory, fileName);
  name = fileName;
  if (mustExist && !directoryExists(directory)) throwError(CODE_PATH_NOT_FOUND);
  return directory;
}

String directoryOf(const String& path, bool mustExist) {
  String name;
  return splitPath(path, name, mustExist);
}

bool pathExists(const Path& path, bool directoryOnly) {
  if (path.empty()) return false;
  uint32_t attributes = fileAttributes(path.native());
  if (attributes == INVALID_ATTRIBUTES) return false;
  return !directoryOnly || (attributes & ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace qv
