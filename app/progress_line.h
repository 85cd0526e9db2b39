// ProgressLine is the one line on standard error that tells, during a long
// command-line run, how much has been listed and which directory is being
// read. It shows nothing unless standard error is a terminal and the run has
// taken more than half a second; it is redrawn at most ten times a second and
// erased by erase() or, at the latest, by its destructor. It owns no handle:
// it writes through the platform's standard error.
#pragma once

#include <chrono>
#include <string>

#include "base/string.h"
#include "report/report_writer.h"

namespace qv {

// How soon the line is first drawn, counted from its making, and how long a
// drawing stays before the next: half a second and a tenth for the program.
struct ProgressPace {
  std::chrono::milliseconds firstDraw{500};
  std::chrono::milliseconds redraw{100};
};

class ProgressLine {
 public:
  explicit ProgressLine(ProgressPace pace = ProgressPace());
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine() { erase(); }

  // Redraws the line with counts and directory (a full path, code page 932)
  // when it is due.
  void update(const WalkCounts& counts, const String& directory);

  // Clears the line if it was drawn.
  void erase();

 private:
  using Clock = std::chrono::steady_clock;

  ProgressPace pace_;
  Clock::time_point start_;
  Clock::time_point drawn_;
  int width_ = -1;  // columns of the terminal; 0: none; -1: not asked yet
  bool shown_ = false;
};

}  // namespace qv
