// The POSIX layer's conversion between native UTF-8 names and code page 932.
#include <gtest/gtest.h>

#include "base/path.h"
#include "base/platform.h"
#include "base/platform_posix.h"

namespace qv::posix {
namespace {

TEST(NativeText, ConvertsBothWaysAndTellsWhetherItIsExact) {
  struct Case {
    const char* native;
    const char* cp932;
    bool exact;
  } cases[] = {
      {u8"plain.txt", "plain.txt", true},
      {u8"表ソ能", "表ソ能", true},     // trail bytes 0x5C
      {u8"ｶﾀｶﾅ", "ｶﾀｶﾅ", true},         // half-width katakana, one byte each
      {u8"├└｜　", "├└｜　", true},     // the tree glyphs
      {u8"Café", "Caf?", false},        // no é in code page 932
      {u8"a〜b", "a?b", false},         // wave dash
      {u8"😀", "?", false},              // outside the BMP
      {"bad\xff\xfe", "bad??", false},  // not UTF-8
      {"\xe8\xa1", "??", false},        // a cut sequence
  };
  for (const Case& c : cases) {
    std::string cp932;
    EXPECT_EQ(toCp932(c.native, cp932), c.exact) << c.cp932;
    EXPECT_EQ(cp932, c.cp932);
    if (c.exact) {
      std::string back;
      toUtf8(cp932, back);
      EXPECT_EQ(back, c.native);
    }
  }
}

TEST(NativeText, AbsolutePathResolvesAsText) {
  struct Case {
    const char* path;
    const char* absolute;
  } cases[] = {
      {"a/b", "/cur/a/b"}, {"a/b/", "/cur/a/b/"}, {"", "/cur"},     {"./x/../y", "/cur/y"},
      {"//a///b", "/a/b"}, {"../../..", "/"},     {"/x/./", "/x/"}, {"..", "/"},
  };
  for (const Case& c : cases) EXPECT_EQ(absolutePath(c.path, "/cur"), c.absolute) << c.path;
}

TEST(NativeText, APathKeepsTheBytesItCameWith) {
  // Kept out of the assertions, whose text must convert to code page 932.
  const std::string cafe = u8"Café";
  Path given = Path::fromNative("/given/" + cafe + "/x");
  EXPECT_EQ(given.shown(), "/given/Caf?/x");
  EXPECT_EQ(given.native(), "/given/" + cafe + "/x");
  Path directory, name;
  ASSERT_TRUE(splitFullPath(given, directory, name));
  EXPECT_EQ(directory.shown(), "/given/Caf?/");
  EXPECT_EQ(directory.native(), "/given/" + cafe + "/");
  EXPECT_EQ(name.native(), "x");
  // Two names of one CP932 form stay two paths.
  const std::string e = u8"/two/é", u = u8"/two/ü";
  EXPECT_EQ(Path::fromNative(e).shown(), Path::fromNative(u).shown());
  EXPECT_NE(Path::fromNative(e).native(), Path::fromNative(u).native());
  // Text the program holds is reached by its UTF-8 form.
  EXPECT_EQ(Path(String("/given/表")).native(), u8"/given/表");
}

}  // namespace
}  // namespace qv::posix
