// The program's wildcard rules, as the platform's find-first applies them to
// names: "*" matches any run of characters, "?" any one character, ASCII
// letters match regardless of case and every other character only itself;
// "*.*" matches every name, a pattern ending in ".*" also a name without that
// dot, and one ending in "." only names without a dot. Names and patterns are
// in the platform's own bytes. Free functions; nothing is owned.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The letter's upper case for ASCII letters; any other byte unchanged.
char foldCase(char c);

// The order of an NTFS directory listing, which the walk follows: true when
// name a comes before b, compared with ASCII letters as upper case, ties
// broken by the exact bytes; for UTF-16 names (Windows), by the code units.
bool listedBefore(std::string_view a, std::string_view b);
bool listedBefore(std::wstring_view a, std::wstring_view b);

// True when name matches pattern. Takes time linear in the pattern's length
// times the name's, whatever the pattern.
bool matchesPattern(std::string_view name, std::string_view pattern);

// True when name matches any of patterns.
bool matchesAnyPattern(std::string_view name, const std::vector<std::string>& patterns);

}  // namespace qv
