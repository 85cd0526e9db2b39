// DescriptorBudget bounds the directory descriptors that the listings of a
// walk hold at once (find_handle_posix.cpp: a listing keeps its directory's
// descriptor, for the scans of it and for opening its children, while the
// walk is below it). It is one for the process, as the limit it comes from
// is, and only the walk's thread uses it. The first listing opened makes it:
// the soft descriptor limit is then raised to the hard one, since a tree as
// deep as the soft limit (often 1,024) would otherwise have every level give
// its descriptor back and open it again, and what the report file, the
// converter's tables and the read-ahead need is kept back from the budget.
// Past the budget, or when the system runs out, the shallowest holder gives
// its descriptor back; it opens it again when the walk returns to it.
#pragma once

#include <cstddef>
#include <vector>

namespace qv::posix {

// One that holds a descriptor within the budget and can give it back.
class DescriptorHolder {
 public:
  // Closes the descriptor and leaves the budget; the holder opens it again
  // when it next needs it.
  virtual void releaseDescriptor() = 0;

 protected:
  ~DescriptorHolder() = default;
};

class DescriptorBudget {
 public:
  DescriptorBudget(const DescriptorBudget&) = delete;
  DescriptorBudget& operator=(const DescriptorBudget&) = delete;

  // The process's budget, made (and the limit raised) the first time.
  static DescriptorBudget& process();

  // holder, depth levels below its walk's root, now holds a descriptor.
  void add(DescriptorHolder* holder, int depth);

  // holder has closed its descriptor.
  void remove(DescriptorHolder* holder);

  // True when a descriptor more would go past the budget.
  bool full() const { return held_.size() >= budget_; }

  // Has the shallowest holder other than keep give its descriptor back. False
  // when there is none.
  bool evict(const DescriptorHolder* keep);

 private:
  DescriptorBudget();

  struct Held {
    DescriptorHolder* holder;
    int depth;
  };
  std::vector<Held> held_;
  size_t budget_;
};

}  // namespace qv::posix
