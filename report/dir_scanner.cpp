#include "report/dir_scanner.h"

#include "base/error.h"
#include "base/path.h"

namespace qv {

bool DirScanner::open(const char* path, uint32_t requiredAttributes) {
  close();
  String directory, name;
  if (splitAbsolute(path, directory, name) && name.length() > 0) directory_ = directory;
  requiredAttributes_ = requiredAttributes;
  if (!handle_.first(path, current_)) {
    uint32_t error = lastError();
    close();
    setLastError(error);
    return false;
  }
  return skipToRequired();
}

bool DirScanner::open(const DirectoryListing& listing, const NativeString& pattern,
                      uint32_t requiredAttributes) {
  close();
  directory_ = listing.directory();
  requiredAttributes_ = requiredAttributes;
  if (!handle_.first(listing, pattern, current_)) {
    uint32_t error = lastError();
    close();
    setLastError(error);
    return false;
  }
  return skipToRequired();
}

bool DirScanner::openChild(DirectoryListing& child) const {
  const char separator[] = {PATH_SEPARATOR, '\0'};
  return handle_.openChild(directory_ + current_.name.c_str() + separator, child);
}

bool DirScanner::next() {
  if (!isValid()) return false;
  if (!handle_.next(current_)) {
    uint32_t error = lastError();
    close();
    setLastError(error);
    return false;
  }
  return skipToRequired();
}

bool DirScanner::sort(const EntryBefore& before, bool details) {
  if (!isValid()) return false;
  handle_.sort(before, details, current_);
  return skipToRequired();
}

Time DirScanner::lastWriteTime() {
  if (!isValid()) return Time();
  loadDetails();
  return current_.lastWriteTime;
}

bool DirScanner::skipToRequired() {
  if (requiredAttributes_ != 0) {
    while (!hasAnyAttribute(requiredAttributes_)) {
      if (!handle_.next(current_)) {
        uint32_t error = lastError();
        close();
        setLastError(error);
        return false;
      }
    }
  }
  return true;
}

void DirScanner::close() {
  handle_.close();
  directory_ = "";
  current_.clear();
  requiredAttributes_ = 0;
}

bool DirScanner::isValid() const {
  if (handle_.isOpen()) return true;
  setLastError(CODE_INVALID_HANDLE);
  return false;
}

void throwShortOfResources(uint32_t code, const String& directory) {
  if (code == CODE_NOT_ENOUGH_MEMORY) throwError(code);
  throw Exception(code, std::string("in ") + directory.cStr());
}

void DirScanner::loadDetails() {
  if (current_.detailsPending && !handle_.loadDetails(current_)) {
    throwShortOfResources(lastError(), directory_);
  }
}

uint64_t DirScanner::size() {
  if (isValid()) loadDetails();
  return current_.size;
}

uint32_t DirScanner::attributes() {
  if (isValid()) loadDetails();
  return current_.attributes;
}

bool DirScanner::hasAnyAttribute(uint32_t mask) {
  if ((mask & DETAIL_ATTRIBUTES) != 0) return (attributes() & mask) != 0;
  return (current_.attributes & mask) != 0;
}

const char* DirScanner::name() const {
  isValid();
  return current_.name.c_str();
}

const String& DirScanner::directory() const {
  isValid();
  return directory_;
}

bool DirScanner::time(SystemTime& out, FileTimeKind kind) {
  out = SystemTime();
  if (!isValid()) return false;
  loadDetails();
  Time time;
  switch (kind) {
    case FileTimeKind::LastAccess:
      time = current_.lastAccessTime;
      break;
    case FileTimeKind::LastWrite:
      time = current_.lastWriteTime;
      break;
    default:
      return false;
  }
  if (!toLocalTime(time, out)) {
    out = SystemTime();
    return false;
  }
  return true;
}

}  // namespace qv
