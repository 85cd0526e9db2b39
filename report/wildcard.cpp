#include "report/wildcard.h"

#include <algorithm>
#include <cstdint>

#include "base/platform.h"

namespace qv {

namespace {

bool sameChar(std::string_view name, size_t i, std::string_view pattern, size_t j, size_t length) {
  if (length == 1) return foldCase(name[i]) == foldCase(pattern[j]);
  return name.compare(i, length, pattern.substr(j, length)) == 0;
}

// Only the last "*" is ever backtracked to.
bool wildcardMatch(std::string_view name, std::string_view pattern) {
  size_t i = 0, j = 0;
  size_t starPattern = std::string_view::npos, starName = 0;
  while (i < name.size()) {
    if (j < pattern.size() && pattern[j] == '*') {
      starPattern = ++j;
      starName = i;
      continue;
    }
    size_t nameLength = nativeCharacterLength(name, i);
    if (j < pattern.size()) {
      size_t patternLength = nativeCharacterLength(pattern, j);
      if ((pattern[j] == '?' && patternLength == 1) ||
          (patternLength == nameLength && sameChar(name, i, pattern, j, nameLength))) {
        i += nameLength;
        j += patternLength;
        continue;
      }
    }
    if (starPattern == std::string_view::npos) return false;
    starName += nativeCharacterLength(name, starName);
    i = starName;
    j = starPattern;
  }
  while (j < pattern.size() && pattern[j] == '*') ++j;
  return j == pattern.size();
}

}  // namespace

char foldCase(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool matchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
    return wildcardMatch(name, pattern) ||
           wildcardMatch(name, pattern.substr(0, pattern.size() - 2));
  }
  if (pattern.size() >= 2 && pattern.back() == '.' && pattern[pattern.size() - 2] != '.') {
    return name.find('.') == std::string_view::npos &&
           wildcardMatch(name, pattern.substr(0, pattern.size() - 1));
  }
  return wildcardMatch(name, pattern);
}

namespace {

uint32_t foldedUnit(char c) {
  return static_cast<unsigned char>(foldCase(c));
}

uint32_t foldedUnit(wchar_t c) {
  return c < 0x80 ? foldedUnit(static_cast<char>(c)) : static_cast<uint32_t>(c);
}

template <typename Char>
bool listedBeforeIn(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    uint32_t x = foldedUnit(a[i]);
    uint32_t y = foldedUnit(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace

bool listedBefore(std::string_view a, std::string_view b) {
  return listedBeforeIn(a, b);
}

bool listedBefore(std::wstring_view a, std::wstring_view b) {
  return listedBeforeIn(a, b);
}

bool matchesAnyPattern(std::string_view name, const std::vector<std::string>& patterns) {
  for (const std::string& pattern : patterns) {
    if (matchesPattern(name, pattern)) return true;
  }
  return false;
}

}  // namespace qv
