#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform_posix.h"
#include "report/descriptor_budget_posix.h"
#include "report/directory_reader_posix.h"
#include "report/find_handle.h"
#include "report/read_ahead_posix.h"
#include "report/wildcard.h"

namespace qv {

using posix::DescriptorBudget;
using posix::DirectoryOpener;
using posix::ListedItem;
using posix::ReadAhead;
using posix::ReadListing;
using posix::WalkKey;

namespace {

uint32_t codeOfOpenError(int err) {
  // A link where a directory was listed (O_NOFOLLOW) or a directory gone.
  if (err == ENOENT || err == ELOOP || err == ENOTDIR) return CODE_PATH_NOT_FOUND;
  return posix::errorFromErrno(err);
}

}  // namespace

// One directory's entries, converted and in listing order ("." and ".." are
// not among them), and the directory's descriptor while the descriptor limit
// allows. A listing made from a scan keeps its parent, so that a descriptor
// given back can be opened again, name by name from the nearest ancestor
// that holds one, and checked to be the same directory.
//
// Listings of a walk that reads ahead share its ReadAhead; each knows its key
// and its native path below the root for it.
struct ListingState final : posix::DescriptorHolder {
  using Item = ListedItem;

  std::vector<Item> items;
  std::vector<posix::ItemDetails> details;  // read ahead with items, or empty
  std::shared_ptr<ListingState> parent;     // null for a listing made from a path
  std::string nativeName;                   // in parent; the absolute path of a root
  std::shared_ptr<DirectoryOpener> opener;  // the root's, for the whole walk
  size_t pathLength = 0;                    // of the native path, separator included
  int depth = 0;
  dev_t device = 0;
  ino_t inode = 0;
  int fd = -1;
  bool waited = false;  // reading it had to wait (for the disk or a server)
  std::shared_ptr<ReadAhead> readAhead;
  WalkKey key;
  std::string relative;

  ListingState() = default;
  ListingState(const ListingState&) = delete;
  ListingState& operator=(const ListingState&) = delete;
  ~ListingState();

  // The open descriptor, opened again when it was given back; -1, with the
  // last error set, when the directory is no longer the one listed.
  int descriptor();

  bool reopen(int directoryFd, bool follow, const ListingState* keep);
  bool reopenBeneath();
  void release();
  void releaseDescriptor() override { release(); }
};

namespace {

// Opens a directory relative to directoryFd, without following a link in its
// last component unless follow is set. Makes room in the budget first, and
// again when the system runs out of descriptors; keep's descriptor is never
// given back.
int openDirectory(DirectoryOpener& opener, int directoryFd, const char* name, bool follow,
                  const ListingState* keep) {
  DescriptorBudget& budget = DescriptorBudget::process();
  if (budget.full()) budget.evict(keep);
  int fd =
      opener.open(directoryFd, name,
                  follow ? DirectoryOpener::Resolve::FOLLOW : DirectoryOpener::Resolve::NO_FOLLOW,
                  [&budget, keep] { return budget.evict(keep); });
  if (fd < 0) setLastError(codeOfOpenError(errno));
  return fd;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Takes over fd for listing, notes which directory it is and reads it;
// waits, when given, is the thread's count from before it was opened.
bool fillListing(ListingState& listing, int fd, const uint64_t* waits) {
  listing.fd = fd;
  DescriptorBudget::process().add(&listing, listing.depth);
  struct stat st;
  if (fstat(fd, &st) != 0) return posix::failWithErrno(errno);
  listing.device = st.st_dev;
  listing.inode = st.st_ino;
  if (!posix::readItems(fd, listing.items)) return false;
  listing.waited = waits != nullptr && posix::waitsByThread() != *waits;
  if (listing.readAhead) {
    listing.readAhead->listed(listing.key, listing.relative, listing.items, listing.waited);
  }
  return true;
}

// Takes the listing read ahead for listing when the directory now at its path
// is the one that was read, unchanged since: the same inode, modified and
// changed at the same times (a removal, a rename, an added entry or a change
// of permissions all change one of them). One stat of the path stands in for
// opening and reading the directory, and the listing holds no descriptor
// until one is needed.
bool takeReadAhead(ListingState& listing, ReadListing& ahead) {
  if (!ahead.ok || ahead.racy) return false;
  struct stat st;
  if (fstatat(listing.readAhead->rootFd(), listing.relative.c_str(), &st, AT_SYMLINK_NOFOLLOW) !=
          0 ||
      !S_ISDIR(st.st_mode) || st.st_dev != ahead.device || st.st_ino != ahead.inode ||
      !sameTime(ahead.modified, st.st_mtim) || !sameTime(ahead.changed, st.st_ctim)) {
    return false;
  }
  listing.device = st.st_dev;
  listing.inode = st.st_ino;
  listing.items = std::move(ahead.items);
  listing.details = std::move(ahead.details);
  return true;
}

}  // namespace

ListingState::~ListingState() {
  release();
}

void ListingState::release() {
  if (fd < 0) return;
  ::close(fd);
  fd = -1;
  DescriptorBudget::process().remove(this);
}

bool ListingState::reopen(int directoryFd, bool follow, const ListingState* keep) {
  int opened = openDirectory(*opener, directoryFd, nativeName.c_str(), follow, keep);
  if (opened < 0) return false;
  struct stat st;
  if (fstat(opened, &st) != 0 || st.st_dev != device || st.st_ino != inode) {
    ::close(opened);
    setLastError(CODE_PATH_NOT_FOUND);
    return false;
  }
  fd = opened;
  DescriptorBudget::process().add(this, depth);
  return true;
}

// A listing taken from the read-ahead is opened again by its path below the
// root, in one call, rather than name by name from an ancestor.
bool ListingState::reopenBeneath() {
  DescriptorBudget& budget = DescriptorBudget::process();
  if (budget.full()) budget.evict(nullptr);
  int opened = readAhead->openBeneath(relative, [&budget] { return budget.evict(nullptr); });
  if (opened < 0) return false;
  struct stat st;
  if (fstat(opened, &st) != 0 || st.st_dev != device || st.st_ino != inode) {
    ::close(opened);
    return false;
  }
  fd = opened;
  budget.add(this, depth);
  return true;
}

int ListingState::descriptor() {
  if (fd >= 0) return fd;
  if (readAhead && !relative.empty() && readAhead->rootFd() >= 0 && reopenBeneath()) return fd;
  std::vector<ListingState*> chain;
  ListingState* at = this;
  while (at->fd < 0 && at->parent != nullptr) {
    chain.push_back(at);
    at = at->parent.get();
  }
  if (at->fd < 0 && !at->reopen(AT_FDCWD, true, nullptr)) return -1;
  // Each one on the way keeps its descriptor, for the walk's way back up.
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    ListingState* parentState = (*it)->parent.get();
    if (parentState->fd < 0 && parentState->descriptor() < 0) return -1;
    if (!(*it)->reopen(parentState->fd, false, parentState)) return -1;
  }
  return fd;
}

void DirectoryListing::close() {
  state_.reset();
}

void DirectoryListing::planWalk(const WalkPlan& plan, WalkObserver* observer) const {
  if (!state_ || state_->readAhead || state_->parent != nullptr) return;
  int fd = state_->descriptor();
  if (fd < 0) return;
  state_->readAhead = std::make_shared<ReadAhead>(fd, state_->pathLength, plan, observer);
  state_->readAhead->listed(state_->key, state_->relative, state_->items, state_->waited);
}

bool DirectoryListing::open(const String& directory, const std::string& nativePath) {
  close();
  auto state = std::make_shared<ListingState>();
  state->nativeName = nativePath;
  state->pathLength = nativePath.size();
  state->opener = std::make_shared<DirectoryOpener>();
  uint64_t waits = posix::waitsByThread();
  int fd = openDirectory(*state->opener, AT_FDCWD, nativePath.c_str(), true, nullptr);
  if (fd < 0 || !fillListing(*state, fd, &waits)) return false;
  directory_ = directory;
  state_ = std::move(state);
  return true;
}

struct FindHandle::State {
  std::shared_ptr<ListingState> listing;
  std::vector<const ListingState::Item*> selection;
  size_t index = 0;

  void fill(DirEntry& entry) const {
    const ListingState::Item& item = *selection[index];
    // The name keeps its buffer from entry to entry.
    entry.name = item.name;
    entry.attributes = item.attributes;
    entry.lastAccessTime = entry.lastWriteTime = Time();
    entry.size = 0;
    entry.detailsPending = true;
  }
};

FindHandle::FindHandle() = default;

FindHandle::~FindHandle() = default;

void FindHandle::close() {
  state_.reset();
}

bool FindHandle::first(const DirectoryListing& listing, const std::string& pattern,
                       DirEntry& entry) {
  close();
  if (!listing.isOpen()) {
    setLastError(CODE_PATH_NOT_FOUND);
    return false;
  }
  auto state = std::make_unique<State>();
  state->listing = listing.state_;
  bool all = pattern == "*" || pattern == "*.*";
  state->selection.reserve(state->listing->items.size());
  for (const ListingState::Item& item : state->listing->items) {
    if (all || matchesPattern(item.nativeName(), pattern)) state->selection.push_back(&item);
  }
  if (state->selection.empty()) {
    setLastError(CODE_FILE_NOT_FOUND);
    return false;
  }
  state_ = std::move(state);
  state_->fill(entry);
  return true;
}

bool FindHandle::next(DirEntry& entry) {
  if (!state_) {
    setLastError(CODE_INVALID_HANDLE);
    return false;
  }
  if (state_->index + 1 >= state_->selection.size()) {
    setLastError(CODE_NO_MORE_FILES);
    return false;
  }
  ++state_->index;
  state_->fill(entry);
  return true;
}

void FindHandle::sort(const EntryBefore& before, bool details, DirEntry& entry) {
  if (!state_) return;
  State& scan = *state_;
  const size_t start = scan.index;
  std::vector<SortedEntry> entries(scan.selection.size() - start);
  for (size_t i = 0; i < entries.size(); ++i) {
    scan.index = start + i;
    scan.fill(entries[i].entry);
    if (details && entries[i].entry.detailsPending) loadDetails(entries[i].entry);
    entries[i].nativeName = scan.selection[scan.index]->nativeName();
  }
  std::vector<size_t> order(entries.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return before(entries[a], entries[b]); });
  std::vector<const ListingState::Item*> sorted;
  sorted.reserve(order.size());
  for (size_t i : order) sorted.push_back(scan.selection[start + i]);
  std::copy(sorted.begin(), sorted.end(), scan.selection.begin() + static_cast<ptrdiff_t>(start));
  scan.index = start;
  scan.fill(entry);
}

std::string_view FindHandle::nativeName() const {
  if (!state_) return std::string_view();
  return state_->selection[state_->index]->nativeName();
}

bool FindHandle::loadDetails(DirEntry& entry) {
  entry.detailsPending = false;
  if (!state_) return true;
  const ListingState::Item& item = *state_->selection[state_->index];
  const ListingState& listing = *state_->listing;
  size_t at = static_cast<size_t>(&item - listing.items.data());
  posix::ItemDetails read;
  const posix::ItemDetails* details = &read;
  if (at < listing.details.size() && listing.details[at].known) {
    details = &listing.details[at];
  } else {
    int fd = state_->listing->descriptor();
    if (fd < 0 || !posix::readDetails(fd, item.nativeName().c_str(), read)) {
      if (fd < 0 && isShortOfResources(lastError())) return false;
      if (fd >= 0 && errno == ENOMEM) return posix::failWithErrno(errno);
      // Nothing is known of the entry (it went away, or the directory can be
      // read but not searched): its times are unknown.
      entry.lastWriteTime = entry.lastAccessTime = Time();
      return true;
    }
  }
  entry.size = details->size;
  entry.lastWriteTime = posix::timeOf(details->modified);
  entry.lastAccessTime = posix::timeOf(details->accessed);
  if (details->readOnly) entry.attributes |= ATTRIBUTE_READONLY;
  return true;
}

bool FindHandle::openChild(const String& directory, DirectoryListing& child) const {
  child.close();
  if (!state_) {
    setLastError(CODE_INVALID_HANDLE);
    return false;
  }
  const ListingState::Item& item = *state_->selection[state_->index];
  std::shared_ptr<ListingState> parent = state_->listing;
  auto state = std::make_shared<ListingState>();
  state->nativeName = item.nativeName();
  state->pathLength = parent->pathLength + state->nativeName.size() + 1;
  state->depth = parent->depth + 1;
  state->opener = parent->opener;
  // A directory the system could not name by its path (without the trailing
  // separator) is not entered, so the depth of a walk stays within the
  // platform's path limit.
  if (!WalkPlan::fitsPath(state->pathLength)) {
    setLastError(CODE_FILENAME_TOO_LONG);
    return false;
  }
  ReadListing ahead;
  bool readAhead = false;
  const ListedItem* items = parent->items.data();
  if (parent->readAhead && std::less_equal<>()(items, &item) &&
      std::less<>()(&item, items + parent->items.size())) {
    size_t index = static_cast<size_t>(&item - items);
    state->readAhead = parent->readAhead;
    state->key = parent->key;
    state->key.push_back(static_cast<uint32_t>(index));
    state->relative =
        parent->relative.empty() ? state->nativeName : parent->relative + '/' + state->nativeName;
    readAhead = state->readAhead->take(state->key, ahead) && takeReadAhead(*state, ahead);
  }
  if (!readAhead) {
    int parentFd = parent->descriptor();
    if (parentFd < 0) return false;
    // Only until the threads start: the count is a system call.
    bool measure = state->readAhead && !state->readAhead->started();
    uint64_t waits = measure ? posix::waitsByThread() : 0;
    int fd =
        openDirectory(*state->opener, parentFd, state->nativeName.c_str(), false, parent.get());
    if (fd < 0 || !fillListing(*state, fd, measure ? &waits : nullptr)) return false;
  }
  state->parent = std::move(parent);
  child.directory_ = directory;
  child.state_ = std::move(state);
  return true;
}

}  // namespace qv
