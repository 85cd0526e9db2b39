// The Windows layer's conversion of UTF-16 names to the text reports show,
// and the extended-length form of the paths it opens.
#include <gtest/gtest.h>

#include <string>

#include "base/platform.h"
#include "base/platform_win32.h"

namespace qv {
namespace {

TEST(NativeText, ANameWithoutACp932FormShowsAQuestionMarkForEachSuchCharacter) {
  struct Case {
    std::wstring native;
    const char* shown;
  } cases[] = {
      {L"plain.txt", "plain.txt"},
      {L"\u8868\u30BD\u80FD", "表ソ能"},  // trail bytes 0x5C
      {L"\u00A5", "?"},                   // never the "\" it best-fits to
      {L"caf\u00E9", "caf?"},             // never "cafe"
      {L"a\u301Cb", "a?b"},               // the wave dash
      {L"\U0001F600x", "?x"},             // two UTF-16 units, one character
      {L"\uD55C\uAE00", "??"},            // Hangul
      {std::wstring(L"a\xD800"
                    L"b"),
       "a?b"},  // a lone surrogate
  };
  for (const Case& c : cases) {
    std::string shown;
    appendNativeAsCp932(c.native, shown);
    EXPECT_EQ(shown, c.shown);
  }
}

TEST(NativeText, AnAbsolutePathGetsTheExtendedLengthPrefixOfItsKind) {
  struct Case {
    const wchar_t* path;
    const wchar_t* extended;
  } cases[] = {
      {L"C:\\a\\b\\", L"\\\\?\\C:\\a\\b\\"},
      {L"\\\\server\\share\\x", L"\\\\?\\UNC\\server\\share\\x"},
      {L"\\\\?\\C:\\x", L"\\\\?\\C:\\x"},
      {L"\\\\.\\pipe\\p", L"\\\\.\\pipe\\p"},
  };
  for (const Case& c : cases) EXPECT_EQ(win32::extendedPath(c.path), c.extended);
}

}  // namespace
}  // namespace qv
