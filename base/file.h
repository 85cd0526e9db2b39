// File wraps one platform file handle and closes it in its destructor. It
// reports failure by its result (false, or no value for positions and sizes)
// and leaves the reason in lastError(). TextFile adds writing text.
// Both are used through TextOutputFile, which throws.
//
// A File opened by openReplacement() writes a temporary file beside the file
// it is to replace; commit() puts it in that file's place in one step, and
// closing without committing removes it, so a file is either replaced whole
// or left as it was. On POSIX the temporary file is also removed when the
// process is ended by SIGINT, SIGTERM or SIGHUP.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/platform.h"

namespace qv {

// How File::open() opens a file: for writing, created when missing and kept
// when it exists, positioned at its end; others may read it meanwhile, or
// not. Where the platform cannot refuse other readers the sharing is only the
// intent.
enum class OpenMode { APPEND, APPEND_SHARE_READ };

// Where File::seek() counts from.
enum class SeekOrigin { START, CURRENT, END };

// A FileObserver watches the files a run writes at the two points where a
// test stops the run to change the world under it: after each write to a
// replacement, and once the file to be replaced has been opened and looked
// at, before anything is done with it. The program itself sets none.
class FileObserver {
 public:
  virtual ~FileObserver() = default;
  virtual void wroteReplacement() = 0;
  virtual void lookedAtTarget() = 0;
};

// Makes observer (nullptr: none) watch every File from now on; it must
// outlive them. For tests, before the run starts.
void setFileObserver(FileObserver* observer);

class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  virtual ~File() { close(); }

  // Closes any open handle, then opens path (native) by mode. False on
  // failure.
  bool open(const NativeString& path, OpenMode mode);

  // Closes any open handle, then takes a handle of its own on the process's
  // standard output. False when there is none.
  bool openStandardOutput();
  // Opens a file that is to take the place of path once it is complete: a
  // new temporary file beside path (beside the last target of a symbolic
  // link) with the owner and permission bits the file had when it was
  // opened. Where no file was, an empty one is made at once, and removed
  // again by a close without commit while it is still that file. A path that
  // is not a regular file (a pipe, FIFO, device or terminal) is opened in
  // place for writing instead. A directory, a file that may not be written
  // (by root neither, when no one may) and a missing directory fail. False on
  // failure.
  bool openReplacement(const NativeString& path);

  // Closes the file and, for a replacement, renames it over its target.
  // False on failure; the temporary file is then removed.
  bool commit();

  // True while a temporary file is open or written and not yet committed.
  bool isReplacement() const { return !temporary_.empty() || unnamed_; }

  // Writes length bytes at the current position and stores the number written
  // in *written. False on failure.
  bool write(const void* data, uint32_t length, uint32_t* written);

  // Writes length bytes at offset from the start, leaving the position where
  // it was; the file must be one that can seek. False on failure.
  bool writeAt(uint64_t offset, const void* data, uint32_t length);

  // Moves the position by distance from origin and returns the new position;
  // no value on failure.
  std::optional<uint64_t> seek(int64_t distance, SeekOrigin origin);
  std::optional<uint64_t> seekToEnd() { return seek(0, SeekOrigin::END); }

  // The file's size in bytes; no value on failure.
  std::optional<uint64_t> size();

  // Closes the handle and removes an uncommitted temporary file; closing a
  // closed file does nothing.
  void close();

  bool isOpen() const { return handle_ != INVALID; }

 private:
  static constexpr intptr_t INVALID = -1;
  intptr_t handle_ = INVALID;
  // Native paths; on POSIX names in directory_.
  NativeString temporary_;   // an uncommitted replacement
  NativeString target_;      // what the replacement is renamed to
  uint32_t attributes_ = 0;  // Windows: the attributes the replacement takes
  bool unnamed_ = false;     // POSIX: the replacement has no name yet (O_TMPFILE)
  int directory_ = -1;       // POSIX: the directory of target_, open
  // POSIX: target_ is the empty file this run made where there was none,
  // known by its device and inode.
  bool placeholder_ = false;
  uint64_t placeholderDevice_ = 0;
  uint64_t placeholderInode_ = 0;

  // POSIX: links the unnamed replacement to a fresh temporary name beside its
  // target. False, with errno set, when it cannot be named.
  bool nameUnnamed();
};

class TextFile : public File {
 public:
  // Moves to the end and writes text and CR LF. False on failure.
  bool writeLine(const char* text);

  // Writes all length bytes at the current position, going on after a
  // partial write; pipes and devices cannot seek. False on failure; what was
  // written before it stays.
  bool writeAll(const char* data, uint32_t length);
};

}  // namespace qv
