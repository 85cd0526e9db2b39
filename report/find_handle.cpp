#include "report/find_handle.h"

namespace qv {

bool FindHandle::first(const char* path, DirEntry& entry) {
  close();
  NativeString directory, pattern;
  if (!nativeFullPath(nativeOf(path), directory, pattern)) return false;
  DirectoryListing listing;
  if (!listing.open(String(), directory)) return false;
  return first(listing, pattern, entry);
}

}  // namespace qv
