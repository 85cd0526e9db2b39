// The expansion of a leading "~" in paths that no shell has expanded.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "base/platform_posix.h"
#include "test_support.h"

namespace qv::posix {
namespace {

// HOME set to a path of the test's choosing, and put back afterwards.
class ExpandHome : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* home = std::getenv("HOME")) {
      saved_ = home;
      hadHome_ = true;
    }
  }
  void TearDown() override { test::setEnvironment("HOME", hadHome_ ? saved_.c_str() : nullptr); }

  // The home directory that the user database gives for the running user.
  static std::string ownHome() {
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr ? entry->pw_dir : "";
  }
  static std::string ownName() {
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr ? entry->pw_name : "";
  }

 private:
  std::string saved_;
  bool hadHome_ = false;
};

TEST_F(ExpandHome, ReplacesOnlyALeadingTildeBeforeTheFirstSeparator) {
  test::setEnvironment("HOME", u8"/home/利用者");
  struct Case {
    std::string path;
    std::string expanded;
  } cases[] = {
      {"~", u8"/home/利用者"},
      {"~/", u8"/home/利用者/"},
      {u8"~/作業/*.txt", u8"/home/利用者/作業/*.txt"},
      {"~//x", u8"/home/利用者//x"},
      {"a/~/b", "a/~/b"},
      {"./~", "./~"},
      {" ~/x", " ~/x"},
      {"", ""},
      {"~no-such-user-q10/x", "~no-such-user-q10/x"},
      {"~" + ownName() + "/x", ownHome() + "/x"},
      {"~" + ownName(), ownHome()},
  };
  for (const Case& c : cases) EXPECT_EQ(expandHome(c.path), c.expanded) << c.path;
}

TEST_F(ExpandHome, ABareTildeFallsBackToTheUserDatabaseWithoutHome) {
  for (const char* home : {static_cast<const char*>(nullptr), ""}) {
    test::setEnvironment("HOME", home);
    EXPECT_EQ(expandHome("~/x"), ownHome() + "/x") << (home != nullptr ? "empty" : "unset");
  }
}

TEST_F(ExpandHome, KeepsBytesThatAreNotUtf8) {
  test::setEnvironment("HOME", "/home/bad\xff");
  EXPECT_EQ(expandHome("~/\xfe"), "/home/bad\xff/\xfe");
}

}  // namespace
}  // namespace qv::posix
