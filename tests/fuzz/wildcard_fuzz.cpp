// The wildcard matcher against a plain dynamic-programming match of the same
// rules. Input: pattern, a zero byte, name.
#include <string>
#include <vector>

#include "base/platform.h"
#include "fuzz/fuzz.h"
#include "report/wildcard.h"

namespace qv::fuzz {

namespace {

// "*" any run of characters, "?" one character, ASCII letters regardless of
// case, every other character only itself; characters as the platform
// counts them.
bool reference(std::string_view name, std::string_view pattern) {
  std::vector<size_t> n, p;
  for (size_t i = 0; i < name.size(); i += nativeCharacterLength(name, i)) n.push_back(i);
  for (size_t j = 0; j < pattern.size(); j += nativeCharacterLength(pattern, j)) p.push_back(j);
  n.push_back(name.size());
  p.push_back(pattern.size());
  auto same = [&](size_t a, size_t b) {
    std::string_view x = name.substr(n[a], n[a + 1] - n[a]);
    std::string_view y = pattern.substr(p[b], p[b + 1] - p[b]);
    if (y == "?") return true;
    if (x.size() != y.size()) return false;
    if (x.size() == 1) return foldCase(x[0]) == foldCase(y[0]);
    return x == y;
  };
  size_t nc = n.size() - 1, pc = p.size() - 1;
  // match[i][j]: the first i characters of name against the first j of pattern.
  std::vector<std::vector<char>> match(nc + 1, std::vector<char>(pc + 1, 0));
  match[0][0] = 1;
  for (size_t j = 1; j <= pc; ++j) match[0][j] = match[0][j - 1] && pattern[p[j - 1]] == '*';
  for (size_t i = 1; i <= nc; ++i) {
    for (size_t j = 1; j <= pc; ++j) {
      if (pattern[p[j - 1]] == '*' && p[j] - p[j - 1] == 1) {
        match[i][j] = match[i][j - 1] || match[i - 1][j];
      } else {
        match[i][j] = match[i - 1][j - 1] && same(i - 1, j - 1);
      }
    }
  }
  return match[nc][pc];
}

}  // namespace

void fuzzOne(const std::string& data) {
  std::vector<std::string> in = parts(data);
  const std::string& pattern = in[0];
  const std::string name = in.size() > 1 ? in[1] : std::string();
  bool matched = matchesPattern(name, pattern);
  require(matchesAnyPattern(name, {"x", pattern}) == (matched || matchesPattern(name, "x")),
          "matchesAnyPattern is the patterns' matches");
  require(matchesPattern(name, "*") && matchesPattern(name, "*.*"), "* and *.* match every name");
  // Patterns with a special end ("x.*", "x.") have rules of their own.
  bool plain =
      pattern.size() < 2 || (pattern.compare(pattern.size() - 2, 2, ".*") != 0 &&
                             (pattern.back() != '.' || pattern[pattern.size() - 2] == '.'));
  if (plain && pattern != "*" && pattern != "*.*" && name.size() < 200 && pattern.size() < 200) {
    require(matched == reference(name, pattern), "matches as the plain rules do");
  }
}

}  // namespace qv::fuzz
