// File wraps one platform file handle and closes it in its destructor. It
// reports failure by its result (false, or FAILURE_VALUE for positions and
// sizes) and leaves the reason in lastError(). TextFile adds writing text at
// the end of the file. Both are used through TextOutputFile, which throws.
#pragma once

#include <cstdint>

namespace qv {

class File {
 public:
  // Open modes: access, sharing and creation.
  //   1 read+write, others may read, open or create
  //   2 read,       others may read, existing file only
  //   3 write,      exclusive,       create or empty
  //   4 write,      others may read, create or empty
  //   5 write,      exclusive,       open or create, positioned at the end
  //   6 write,      others may read, open or create
  //   other         read+write, exclusive, open or create
  // Where the platform cannot refuse other readers or writers the sharing is
  // only the intent.
  static constexpr uint32_t FAILURE_VALUE = 0xFFFFFFFF;

  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  virtual ~File() { close(); }

  // Closes any open handle, then opens path by mode. False on failure.
  bool open(const char* path, int mode);

  // Closes any open handle, then takes a handle of its own on the process's
  // standard output. False when there is none.
  bool openStandardOutput();

  // Writes length bytes at the current position and stores the number written
  // in *written. False on failure.
  bool write(const void* data, uint32_t length, uint32_t* written);

  // Moves the position (origin 0 start, 1 current, 2 end); returns the low 32
  // bits of the new position or FAILURE_VALUE.
  uint32_t seek(int32_t distance, int origin);
  uint32_t seekToEnd() { return seek(0, 2); }

  // The low 32 bits of the file's size, or FAILURE_VALUE.
  uint32_t size();

  // Closes the handle; closing a closed file does nothing.
  void close();

  bool isOpen() const { return handle_ != INVALID; }

 private:
  static constexpr intptr_t INVALID = -1;
  intptr_t handle_ = INVALID;
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
