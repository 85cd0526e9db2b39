// WalkPlan is how a walk goes through the tree below a listing: depth first in
// listing order, into each subdirectory that has no bit of skipAttributes and
// whose name matches none of excluded, down to maxDepth levels below the
// listing (no limit when negative), reading the details of the files that
// match pattern when details is set. The pattern is native, the excluded ones
// UTF-8. The walk (tree_walker.cpp) and the read-ahead that lists directories
// before it (read_ahead_posix.h, read_ahead_win32.h) ask the plan the same
// questions, so that the threads read what the walk will enter. A plan is a
// value; it owns its patterns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/platform.h"

namespace qv {

// Attribute bits that a scan may leave to loadDetails(); every other bit is
// filled in by the scan itself.
constexpr uint32_t DETAIL_ATTRIBUTES = ATTRIBUTE_READONLY;

struct WalkPlan {
  uint32_t skipAttributes = 0;
  NativeString pattern;
  bool details = false;
  std::vector<std::string> excluded;
  int maxDepth = -1;

  // Whether name (native) matches one of excluded, compared as UTF-8: such an
  // entry is neither listed nor entered.
  bool excludes(NativeView name) const;

  // Whether an entry of attributes and name is left out of the listing: for
  // a bit of skipAttributes or an excluded name. Bits of DETAIL_ATTRIBUTES
  // count only when attributes hold them, i.e. once the details are read.
  bool leavesOut(uint32_t attributes, NativeView name) const;

  // Whether the walk enters the subdirectories of a directory depth levels
  // below the listing (0: the listing itself).
  bool entersBelow(size_t depth) const;

  // Whether the walk enters the entry of attributes and name, listed in a
  // directory whose subdirectories it enters: a directory not left out.
  bool enters(uint32_t attributes, NativeView name) const;

  // Whether a directory whose native path, separator included, is length
  // units long can be entered: one the system could not name by its path is
  // not, so that a walk's depth stays within the platform's path limit.
  static bool fitsPath(size_t length) { return length <= static_cast<size_t>(MAX_PATH_BYTES); }

  // Whether the walk reads the details of the entry of attributes and name
  // (as listed, before its details), matched being whether the pattern
  // matches its name: those of the files it shows, and, when a skipped bit
  // is a detail, those of every entry it considers, to know whether to skip
  // it.
  bool needsDetails(uint32_t attributes, NativeView name, bool matched) const;
};

}  // namespace qv
