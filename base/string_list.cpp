#include "base/string_list.h"

#include <new>

#include "base/error.h"
#include "base/platform.h"

namespace qv {

void StringList::add(const String& text) {
  std::unique_ptr<Node> node(new (std::nothrow) Node{String(text), nullptr});
  if (!node) {
    setLastError(CODE_NOT_ENOUGH_MEMORY);
    throwError(CODE_NOT_ENOUGH_MEMORY);
  }
  std::unique_ptr<Node>* tail = &head_;
  while (*tail) tail = &(*tail)->next;
  *tail = std::move(node);
  ++count_;
}

const String& StringList::get(int index) const {
  if (index < 0 || index >= count_) {
    setLastError(CODE_INVALID_PARAMETER);
    throwError(CODE_INVALID_PARAMETER);
  }
  const Node* node = head_.get();
  for (int i = 0; i < index; ++i) node = node->next.get();
  return node->item;
}

String& StringList::get(int index) {
  return const_cast<String&>(static_cast<const StringList*>(this)->get(index));
}

void StringList::clear() {
  // Unlinked one node at a time so that a long list does not recurse.
  while (head_) head_ = std::move(head_->next);
  count_ = 0;
}

}  // namespace qv
