#include "base/string_list.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace qv {
namespace {

uint32_t getCode(StringList& list, int index) {
  try {
    list.get(index);
  } catch (const Exception& e) {
    return e.code();
  }
  return 0;
}

TEST(StringList, KeepsCopiesInOrderAndRefusesOutsideIndexes) {
  StringList list;
  EXPECT_EQ(getCode(list, 0), CODE_INVALID_PARAMETER);
  String text("a");
  list.add(text);
  text = "changed";
  list.add("b");
  list.add("c");
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(list.get(0), "a");
  EXPECT_EQ(list.get(1), "b");
  EXPECT_EQ(list.get(2), "c");
  EXPECT_EQ(getCode(list, 3), CODE_INVALID_PARAMETER);
  EXPECT_EQ(getCode(list, -1), CODE_INVALID_PARAMETER);
  EXPECT_EQ(lastError(), CODE_INVALID_PARAMETER);
}

TEST(StringList, GetReturnsTheStoredItemItself) {
  StringList list;
  list.add("x");
  list.get(0) = "y";
  EXPECT_EQ(list.get(0), "y");
}

TEST(StringList, ClearStartsAgainAtZero) {
  StringList list;
  list.clear();
  list.add("a");
  list.clear();
  EXPECT_EQ(list.count(), 0);
  list.add("b");
  EXPECT_EQ(list.get(0), "b");
}

}  // namespace
}  // namespace qv
