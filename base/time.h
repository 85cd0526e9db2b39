// Time is a moment as the program holds it: a count of 100 ns units since
// 1970-01-01 00:00:00 UTC (negative before it), or unknown. Each platform
// makes it from its own record of a file's times at the seam (POSIX from
// struct stat's timespec, Windows from the find's file times) and turns it
// into local calendar time (toLocalTime, base/platform.h); portable code only
// carries, compares and formats it. An unknown time (details that could not
// be read, a time no report can show) orders after every known one.
#pragma once

#include <cstdint>

namespace qv {

struct Time {
  static constexpr int64_t TICKS_PER_SECOND = 10000000;
  static constexpr int64_t UNKNOWN_TICKS = INT64_MAX;

  int64_t ticks = UNKNOWN_TICKS;

  // seconds since 1970 and the nanoseconds past them (0 to 999,999,999),
  // truncated to the unit. seconds must lie within INT64_MAX /
  // TICKS_PER_SECOND of 1970.
  static constexpr Time fromSeconds(int64_t seconds, int64_t nanoseconds) {
    return Time{seconds * TICKS_PER_SECOND + nanoseconds / 100};
  }

  constexpr bool known() const { return ticks != UNKNOWN_TICKS; }

  // The whole seconds since 1970, rounded down, and the units past them
  // (0 to TICKS_PER_SECOND - 1), so that a time before 1970 keeps its second.
  constexpr int64_t seconds() const {
    return ticks / TICKS_PER_SECOND - (ticks % TICKS_PER_SECOND < 0 ? 1 : 0);
  }
  constexpr int64_t fraction() const { return ticks - seconds() * TICKS_PER_SECOND; }
};

constexpr bool operator==(Time a, Time b) {
  return a.ticks == b.ticks;
}
constexpr bool operator!=(Time a, Time b) {
  return a.ticks != b.ticks;
}
constexpr bool operator<(Time a, Time b) {
  return a.ticks < b.ticks;
}

}  // namespace qv
