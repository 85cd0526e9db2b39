// expandEnvironmentStrings(): %NAME% references replaced from this process's
// environment, the size query, and a buffer too small to be written.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

#include "base/platform.h"

namespace qv {
namespace {

// QV_EXPAND_A is "alpha", QV_EXPAND_EMPTY is set but empty, QV_EXPAND_UNSET is
// not set.
class ExpandEnvironment : public ::testing::TestWithParam<std::pair<const char*, const char*>> {
 protected:
  static void SetUpTestSuite() {
    test::setEnvironment("QV_EXPAND_A", "alpha");
    test::setEnvironment("QV_EXPAND_EMPTY", "");
    test::setEnvironment("QV_EXPAND_UNSET", nullptr);
  }
  static void TearDownTestSuite() {
    test::setEnvironment("QV_EXPAND_A", nullptr);
    test::setEnvironment("QV_EXPAND_EMPTY", nullptr);
  }
};

TEST_P(ExpandEnvironment, SizeQueryThenRead) {
  const char* source = GetParam().first;
  std::string expected = GetParam().second;
  uint32_t size = static_cast<uint32_t>(expected.size()) + 1;
  EXPECT_EQ(expandEnvironmentStrings(source, nullptr, 0), size);

  std::vector<char> tooSmall(size, 'x');
  EXPECT_EQ(expandEnvironmentStrings(source, tooSmall.data(), size - 1), size);
  EXPECT_EQ(std::string(tooSmall.begin(), tooSmall.end()), std::string(size, 'x'))
      << "wrote into a buffer that is too small";

  std::vector<char> exact(size + 1, 'x');
  EXPECT_EQ(expandEnvironmentStrings(source, exact.data(), size), size);
  EXPECT_STREQ(exact.data(), expected.c_str());
  EXPECT_EQ(exact[size], 'x');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandEnvironment,
    ::testing::Values(std::make_pair("%QV_EXPAND_A%\\sub", "alpha\\sub"),
                      std::make_pair("x%QV_EXPAND_A%y%QV_EXPAND_A%", "xalphayalpha"),
                      std::make_pair("%QV_EXPAND_EMPTY%|", "|"),
                      std::make_pair("%QV_EXPAND_UNSET%\\sub", "%QV_EXPAND_UNSET%\\sub"),
                      std::make_pair("%QV_EXPAND_UNSET% and %QV_EXPAND_A%",
                                     "%QV_EXPAND_UNSET% and alpha"),
                      std::make_pair("100%", "100%"), std::make_pair("a%%b", "a%%b"),
                      std::make_pair("%QV_EXPAND_A", "%QV_EXPAND_A"),
                      std::make_pair("plain", "plain"), std::make_pair("", "")));

TEST(ExpandEnvironmentNull, NullSourceFails) {
  char buffer[4];
  EXPECT_EQ(expandEnvironmentStrings(nullptr, buffer, sizeof buffer), 0u);
}

}  // namespace
}  // namespace qv
