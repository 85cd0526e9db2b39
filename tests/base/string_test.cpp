#include "base/string.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace qv {
namespace {

uint32_t codeOf(void (*action)()) {
  try {
    action();
  } catch (const Exception& e) {
    return e.code();
  }
  return 0;
}

TEST(String, DefaultIsEmptyWithAOneByteBlock) {
  String s;
  EXPECT_EQ(s.length(), 0);
  ASSERT_NE(s.cStr(), nullptr);
  EXPECT_EQ(*s.cStr(), '\0');
  EXPECT_EQ(s.capacity(), 1u);
  EXPECT_EQ(s.find("a"), -1);
  EXPECT_EQ(s.reverseFind("a"), -1);
}

TEST(String, AssigningAndAppendingItsOwnText) {
  String s("ab");
  s.assign(s.cStr());
  EXPECT_EQ(s, "ab");
  s.append(s.cStr());
  EXPECT_EQ(s, "abab");
  EXPECT_EQ(s.capacity(), 5u);
}

TEST(String, SubstringsClampTheirPositions) {
  struct Case {
    const char* text;
    String (*take)(const String&);
    const char* expected;
  } cases[] = {
      {"abcdef", [](const String& s) { return s.mid(-2, 3); }, "abc"},
      {"abc", [](const String& s) { return s.mid(10, 2); }, ""},
      {"abc", [](const String& s) { return s.mid(1, 100); }, "bc"},
      {"abc", [](const String& s) { return s.mid(1, 0); }, ""},
      {"abc", [](const String& s) { return s.left(0); }, ""},
      {"abc", [](const String& s) { return s.right(0); }, ""},
      {"abc", [](const String& s) { return s.left(10); }, "abc"},
      {"abc", [](const String& s) { return s.right(10); }, "abc"},
      {"abc", [](const String& s) { return s.right(-1); }, ""},
      {"abc", [](const String& s) { return s.right(2); }, "bc"},
      {"\t  x y ", [](const String& s) { return s.trimLeft(); }, "x y "},
      {"\t  x y ", [](const String& s) { return s.trimRight(); }, "\t  x y"},
      {"   ", [](const String& s) { return s.trimLeft(); }, ""},
      {"   ", [](const String& s) { return s.trimRight(); }, ""},
      {"\x81\x40", [](const String& s) { return s.trimRight(); }, "\x81\x40"},
  };
  for (const Case& c : cases) {
    String result = c.take(String(c.text));
    EXPECT_EQ(result, c.expected) << "on '" << c.text << "'";
    EXPECT_EQ(result.capacity(), static_cast<uint32_t>(result.length() + 1));
  }
}

TEST(String, FindAndReverseFind) {
  String abc("abc");
  EXPECT_EQ(abc.find(""), -1);
  EXPECT_EQ(abc.reverseFind(""), -1);
  EXPECT_EQ(abc.find("b", -5), 1);
  EXPECT_EQ(abc.find("c", 3), -1);
  EXPECT_EQ(abc.find("cd"), -1);
  String dots("a.b.c");
  EXPECT_EQ(dots.reverseFind("."), 3);
  EXPECT_EQ(dots.reverseFind(".", 2), 1);
  EXPECT_EQ(dots.reverseFind(".", 99), 3);
}

TEST(String, FindMovesByCharactersOverTrailBytes) {
  // 表 is 0x95 0x5C: its second byte looks like a backslash.
  String text("表\\x");
  EXPECT_EQ(text.find("\\"), 2);
  // From the last byte backwards the scan steps over whole characters.
  String ends("a表");
  EXPECT_EQ(ends.reverseFind("\\"), 2);
  EXPECT_EQ(ends.reverseFind("\\", 1), -1);
}

TEST(String, ComparisonIsCaseSensitive) {
  EXPECT_FALSE(String("ABC") == "abc");
  EXPECT_TRUE(String("abc") == "abc");
  EXPECT_LT(String("a").compare("b"), 0);
}

TEST(String, FillPreparesABufferAndRejectsNegativeCounts) {
  String s("xyz");
  s.fill('\0', 4);
  EXPECT_EQ(s.length(), 0);
  EXPECT_EQ(s.capacity(), 5u);
  EXPECT_EQ(codeOf([] { String().fill('\0', -1); }), CODE_INVALID_PARAMETER);
}

TEST(String, NullTextsAreInvalidParameters) {
  EXPECT_EQ(codeOf([] { String s(static_cast<const char*>(nullptr)); }), CODE_INVALID_PARAMETER);
  EXPECT_EQ(codeOf([] { String().append(static_cast<const char*>(nullptr)); }),
            CODE_INVALID_PARAMETER);
  EXPECT_EQ(codeOf([] { String().find(nullptr); }), CODE_INVALID_PARAMETER);
  EXPECT_EQ(codeOf([] { (void)(String() == static_cast<const char*>(nullptr)); }),
            CODE_INVALID_PARAMETER);
}

TEST(String, ConcatenationKeepsBothSides) {
  String left("[");
  EXPECT_EQ(left + "x" + String("]"), "[x]");
  EXPECT_EQ("a" + String("b"), "ab");
  EXPECT_EQ(left, "[");
}

}  // namespace
}  // namespace qv
