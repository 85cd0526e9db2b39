// StringList is an ordered list of owned String copies: add() stores a copy at
// the end, get() returns the stored item itself. Items are removed only all
// together, by clear() or destruction. The program keeps its command-line
// arguments in one.
#pragma once

#include <memory>

#include "base/string.h"

namespace qv {

class StringList {
 public:
  StringList() = default;
  StringList(const StringList&) = delete;
  StringList& operator=(const StringList&) = delete;
  virtual ~StringList() { clear(); }

  // Appends a copy of text. Throws Exception 8 when memory runs out; the list
  // is then unchanged.
  void add(const String& text);

  // The stored item at index (0-based). Throws Exception 87 and sets the last
  // error to 87 when index is outside the list.
  String& get(int index);
  const String& get(int index) const;

  int count() const { return count_; }
  void clear();

 private:
  struct Node {
    String item;
    std::unique_ptr<Node> next;
  };

  int count_ = 0;
  std::unique_ptr<Node> head_;
};

}  // namespace qv
