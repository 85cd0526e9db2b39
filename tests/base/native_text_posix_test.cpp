// The POSIX layer's conversion between native UTF-8 names and code page 932.
#include <gtest/gtest.h>

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

TEST(NativeText, TextsTheUserGaveLeadBackToTheirBytes) {
  // Kept out of the assertions, whose text must convert to code page 932.
  const std::string cafe = u8"Café";
  EXPECT_EQ(argumentToCp932(("/given/" + cafe + "/x").c_str()), "/given/Caf?/x");
  EXPECT_EQ(nativePath("/given/Caf?/x"), "/given/" + cafe + "/x");
  // The directories on the way to it as well, with or without the separator.
  EXPECT_EQ(nativePath("/given/Caf?/"), "/given/" + cafe + "/");
  EXPECT_EQ(nativePath("/given/Caf?"), "/given/" + cafe);
  // A name joined to one of them lies in it; nothing else of that CP932 form
  // is that directory.
  EXPECT_EQ(nativePath("/given/Caf?/y"), "/given/" + cafe + "/y");
  EXPECT_EQ(nativePath("/elsewhere/Caf?"), "/elsewhere/Caf?");
  EXPECT_EQ(nativePath("/given/表"), u8"/given/表");
}

TEST(NativeText, ArgumentsOfOneCp932FormStandForNoPath) {
  argumentToCp932(u8"/two/é");
  argumentToCp932(u8"/two/ü");
  EXPECT_EQ(nativePath("/two/?"), "");
  EXPECT_EQ(qv::lastError(), 123u);
  // A text given counts before a directory on the way to another.
  const std::string input = u8"/both/é/";
  argumentToCp932(input.c_str());
  argumentToCp932("/both/?/r.txt");
  EXPECT_EQ(nativePath("/both/?/"), input);
  EXPECT_EQ(nativePath("/both/?/r.txt"), "/both/?/r.txt");
  // A literal "?" given beside them is no better known.
  argumentToCp932("/lit/?");
  argumentToCp932(u8"/lit/é");
  EXPECT_EQ(nativePath("/lit/?"), "");
}

TEST(NativeText, ADialogFieldReplacesWhatItHeldBefore) {
  const std::string later = u8"/field/ü";
  pathToCp932(u8"/field/é");
  pathToCp932(later);
  EXPECT_EQ(nativePath("/field/?"), later);
  // The directory field and the pattern field, joined.
  const std::string directory = u8"/field/é/";
  const std::string pattern = u8"café.txt";
  pathToCp932(directory);
  pathToCp932(pattern);
  EXPECT_EQ(nativePath("/field/?/caf?.txt"), directory + pattern);
}

}  // namespace
}  // namespace qv::posix
