// WalkObserver is told what a walk and its read-ahead are doing, at the points
// where a test changes the tree, holds a reading thread or waits for the
// threads, and chooses when the read-ahead starts them. The program itself
// sets none: a test hands one to a ReportWriter (setObserver) or to a
// read-ahead and keeps it alive while they run. Every operation does nothing
// by default; the observer owns nothing of the walk.
#pragma once

#include <cstddef>

#include "base/platform.h"
#include "base/string.h"

namespace qv {

class WalkObserver {
 public:
  virtual ~WalkObserver() = default;

  // Whether the read-ahead starts its threads with the walk's first listing,
  // instead of once the walk has read enough directories, or waited for
  // enough of them, to show it needs them.
  virtual bool startsReadAheadAtOnce() const { return false; }

  // The walk is about to read the subdirectory directory (its full path,
  // ending in the separator), its parent listed.
  virtual void enteringDirectory(const String& /*directory*/) {}

  // On a reading thread: the directory at path (on POSIX below the walk's
  // root, on Windows extended-length) has been read, and what was read is not
  // kept yet. May block, or throw std::bad_alloc as an allocation there would.
  virtual void readFinished(const NativeString& /*path*/) {}

  // What the read-ahead is doing after each change: it holds held listings
  // and, when idle, reads nothing and will start nothing more until the walk
  // goes on. Called with the read-ahead's lock held, on any of its threads:
  // it must not call into the walk.
  virtual void readAheadChanged(size_t /*held*/, bool /*idle*/) {}
};

}  // namespace qv
