#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "report/read_ahead.h"

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;

// Runs one round at limit's current value, every read of 9 entries, the
// round taking its reads' count times perRead.
void runRound(ThreadLimit& limit, Clock::time_point& now, std::chrono::nanoseconds perRead) {
  size_t reads = std::max(ThreadLimit::ROUND_READS, ThreadLimit::ROUND_READS_EACH * limit.value());
  size_t running = limit.value();
  for (size_t i = 0; i < reads && !limit.settled(); ++i) {
    now += perRead;
    size_t before = limit.value();
    limit.finished(9, now, running);
    if (limit.value() != before) return;
  }
}

struct Case {
  const char* name;
  // What a read costs at 1, 2, 4, ... 32 threads: their rate of reads is
  // threads / cost.
  std::vector<double> microsecondsAt;
  size_t settlesAt;
};

TEST(ThreadLimit, SettlesWhereMoreThreadsStopReadingMore) {
  const Case cases[] = {
      // Every thread as fast as one, as a file server answers: the most.
      {"share", {100, 100, 100, 100, 100, 100}, 32},
      // More threads share one processor and pay for their switches: back
      // to where it began.
      {"one processor", {100, 300, 600, 1200, 2400, 4800}, 1},
      // Twice as fast up to 8, then a tenth faster: 16.
      {"queue fills at 8", {100, 100, 100, 100, 182, 400}, 16},
      // A tenth slower at 16, within what a round can tell: 16.
      {"no clear loss past 8", {100, 100, 100, 100, 220, 400}, 16},
      // Half as fast at 16: back to 8.
      {"slower past 8", {100, 100, 100, 100, 400, 800}, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ThreadLimit limit(1);
    limit.allowGrowth();
    Clock::time_point now;
    for (size_t step = 0; step < 8 && !limit.settled(); ++step) {
      size_t at = 0;
      while ((size_t{1} << at) < limit.value()) ++at;
      // The time for one read across the threads running.
      auto perRead = std::chrono::nanoseconds(
          static_cast<long>(c.microsecondsAt[at] * 1000 / static_cast<double>(limit.value())));
      runRound(limit, now, perRead);
    }
    EXPECT_TRUE(limit.settled());
    EXPECT_EQ(limit.value(), c.settlesAt);
  }
}

TEST(ThreadLimit, GrowsOnlyOnceAllowedAndRoundsCountOnlyWithEveryThreadRunning) {
  ThreadLimit limit(2);
  Clock::time_point now;
  for (int i = 0; i < 200; ++i) limit.finished(9, now += std::chrono::microseconds(10), 2);
  EXPECT_EQ(limit.value(), 2u) << "grew before it was allowed";

  limit.allowGrowth();
  // With one thread of two running, no round counts, however many reads.
  for (int i = 0; i < 200; ++i) limit.finished(9, now += std::chrono::microseconds(10), 1);
  EXPECT_EQ(limit.value(), 2u);
  for (size_t i = 0; i < ThreadLimit::ROUND_READS; ++i) {
    limit.finished(9, now += std::chrono::microseconds(10), 2);
  }
  EXPECT_EQ(limit.value(), 4u);
}

TEST(ThreadLimit, StartsGrowingFromTheThreadsAskedWithinOneAndTheMost) {
  EXPECT_EQ(ThreadLimit(0).value(), 1u);
  EXPECT_EQ(ThreadLimit(1000).value(), ReadAheadBounds::MAX_THREADS);
  ThreadLimit eight(2);
  eight.allowGrowth(8);
  EXPECT_EQ(eight.value(), 8u);
  eight.allowGrowth(16);
  EXPECT_EQ(eight.value(), 8u) << "asked again while growing";
  ThreadLimit most(2);
  most.allowGrowth(1000);
  EXPECT_EQ(most.value(), ReadAheadBounds::MAX_THREADS);
}

}  // namespace
}  // namespace qv
