// A fuzz harness: one input, checked against what must hold for every input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace qv::fuzz {

// Runs the code under test on data; aborts when something that must hold
// does not.
void fuzzOne(const std::string& data);

// Aborts, naming what failed, when condition is false.
inline void require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
  }
}

// data cut at each zero byte (a zero byte never occurs in an argument, a
// name or a pattern).
inline std::vector<std::string> parts(const std::string& data) {
  std::vector<std::string> out(1);
  for (char c : data) {
    if (c == '\0') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

}  // namespace qv::fuzz
