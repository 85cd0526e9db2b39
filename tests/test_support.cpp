#include "test_support.h"

namespace qv::test {

std::string sep(const std::string& text) {
  std::string result = text;
  // '/' is never the trail byte of a double-byte character.
  for (char& c : result) {
    if (c == '/') c = SEPARATOR[0];
  }
  return result;
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& path)
    : saved_(currentDirectory()), changed_(changeDirectory(path)) {}

CurrentDirectoryScope::~CurrentDirectoryScope() {
  if (changed_) changeDirectory(saved_);
}

std::string lines(const std::vector<std::string>& reportLines) {
  std::string text;
  for (const std::string& line : reportLines) text += line + "\r\n";
  return text;
}

}  // namespace qv::test
