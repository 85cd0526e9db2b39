#include "report/descriptor_budget_posix.h"

#include <sys/resource.h>

#include <algorithm>

#include "report/read_ahead_posix.h"

namespace qv::posix {

namespace {

// Left for the report file, the converter's tables, the read-ahead and
// whatever else the process opens meanwhile.
constexpr rlim_t RESERVE = 24 + ReadAhead::MAX_THREADS + 1;

}  // namespace

DescriptorBudget& DescriptorBudget::process() {
  static DescriptorBudget budget;
  return budget;
}

DescriptorBudget::DescriptorBudget() {
  struct rlimit limit;
  rlim_t soft = 1024;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
    soft = limit.rlim_cur;
    if (limit.rlim_cur < limit.rlim_max) {
      struct rlimit raised = limit;
      raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? 1048576 : limit.rlim_max;
      if (setrlimit(RLIMIT_NOFILE, &raised) == 0) soft = raised.rlim_cur;
    }
  }
  budget_ = soft > RESERVE + 8 ? static_cast<size_t>(soft - RESERVE) : 8;
}

void DescriptorBudget::add(DescriptorHolder* holder, int depth) {
  held_.push_back({holder, depth});
}

void DescriptorBudget::remove(DescriptorHolder* holder) {
  auto it = std::find_if(held_.begin(), held_.end(),
                         [holder](const Held& held) { return held.holder == holder; });
  if (it != held_.end()) held_.erase(it);
}

bool DescriptorBudget::evict(const DescriptorHolder* keep) {
  const Held* victim = nullptr;
  for (const Held& held : held_) {
    if (held.holder != keep && (victim == nullptr || held.depth < victim->depth)) victim = &held;
  }
  if (victim == nullptr) return false;
  // Giving it back removes it from held_.
  DescriptorHolder* holder = victim->holder;
  holder->releaseDescriptor();
  return true;
}

}  // namespace qv::posix
