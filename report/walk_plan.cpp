#include "report/walk_plan.h"

#include "report/wildcard.h"

namespace qv {

bool WalkPlan::excludes(NativeView name) const {
  if (excluded.empty()) return false;
  std::string matched;
  appendNativeAsUtf8(name, matched);
  return matchesAnyPattern(matched, excluded);
}

bool WalkPlan::leavesOut(uint32_t attributes, NativeView name) const {
  return (attributes & skipAttributes) != 0 || excludes(name);
}

bool WalkPlan::entersBelow(size_t depth) const {
  return maxDepth < 0 || depth < static_cast<size_t>(maxDepth);
}

bool WalkPlan::enters(uint32_t attributes, NativeView name) const {
  return (attributes & ATTRIBUTE_DIRECTORY) != 0 && !leavesOut(attributes, name);
}

bool WalkPlan::needsDetails(uint32_t attributes, NativeView name, bool matched) const {
  if (!details) return false;
  bool detailedSkip = (skipAttributes & DETAIL_ATTRIBUTES) != 0;
  if ((attributes & ATTRIBUTE_DIRECTORY) != 0) return detailedSkip;
  return matched && (detailedSkip || !leavesOut(attributes, name));
}

}  // namespace qv
