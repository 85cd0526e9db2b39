// The documents that list the options, read from the source tree: the manual
// page, the bash completion, the Windows readme and the README's table each
// name exactly the options of the table, and each says which take a value.
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/options.h"
#include "test_support.h"

namespace qv::test {
namespace {

// Each option a document names, and whether it gives the option a value.
using OptionNames = std::map<std::string, bool>;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool startsWith(const std::string& text, const std::string& head) {
  return text.compare(0, head.size(), head) == 0;
}

// After each ".TP" of the OPTIONS section: ".B word", or ".BI word" with the
// value's name.
OptionNames manualPageOptions(const std::string& text) {
  OptionNames names;
  bool inOptions = false;
  bool afterTag = false;
  for (const std::string& line : linesOf(text)) {
    if (startsWith(line, ".SH ")) inOptions = line == ".SH OPTIONS";
    if (!inOptions) continue;
    if (afterTag) {
      std::istringstream words(line);
      std::string macro, word;
      words >> macro >> word;
      names[word] = macro == ".BI";
    }
    afterTag = line == ".TP";
  }
  return names;
}

// The words of a shell assignment `local NAME="word word ..."`.
std::vector<std::string> assignedWords(const std::string& text, const std::string& name) {
  const std::string head = "local " + name + "=\"";
  std::vector<std::string> words;
  for (const std::string& line : linesOf(text)) {
    size_t start = line.find(head);
    if (start == std::string::npos) continue;
    start += head.size();
    std::istringstream stream(line.substr(start, line.find('"', start) - start));
    for (std::string word; stream >> word;) words.push_back(word);
  }
  return words;
}

// The words it offers, and those it completes a value after.
OptionNames completionOptions(const std::string& text) {
  OptionNames names;
  for (const std::string& word : assignedWords(text, "options")) names[word] = false;
  for (const std::string& word : assignedWords(text, "valued")) names[word] = true;
  return names;
}

// The lines of the option list, which ends at the blank line before the
// note on "-" and "/": "  word" then one space and the value's name, or
// more spaces and the help; lines that go on with the help start with more
// spaces.
OptionNames readmeOptions(const std::string& text) {
  std::vector<std::string> lines = linesOf(text);
  size_t end = 0;
  while (end < lines.size() && !startsWith(lines[end], u8"オプションの前には")) ++end;
  if (end > 0) --end;
  size_t start = end;
  while (start > 0 && !lines[start - 1].empty()) --start;
  OptionNames names;
  for (size_t i = start; i < end; ++i) {
    const std::string& line = lines[i];
    if (!startsWith(line, "  ") || line.size() < 3 || line[2] == ' ') continue;
    size_t wordEnd = line.find(' ', 2);
    std::string word = line.substr(2, wordEnd - 2);
    names[word] =
        wordEnd != std::string::npos && wordEnd + 1 < line.size() && line[wordEnd + 1] != ' ';
  }
  return names;
}

// The rows of the table under "## Options": "| `word` VALUE | effect |".
OptionNames readmeTableOptions(const std::string& text) {
  OptionNames names;
  bool inOptions = false;
  for (const std::string& line : linesOf(text)) {
    if (startsWith(line, "## ")) inOptions = line == "## Options";
    if (!inOptions || !startsWith(line, "| `")) continue;
    size_t close = line.find('`', 3);
    if (close == std::string::npos) continue;
    names[line.substr(3, close - 3)] = line.compare(close + 1, 2, " |") != 0;
  }
  return names;
}

OptionNames tableOptions() {
  OptionNames names;
  for (const Option& option : allOptions()) {
    names[option.word] = option.valueKind != ValueKind::NONE;
  }
  return names;
}

std::string describe(const OptionNames& names) {
  std::string text;
  for (const auto& [word, takesValue] : names) text += " " + word + (takesValue ? "=VALUE" : "");
  return text;
}

TEST(OptionTable, EveryDocumentNamesExactlyTheTableOptions) {
  struct Case {
    const char* file;
    OptionNames (*read)(const std::string& text);
  };
  const Case cases[] = {
      {"docs/quorvel.1", manualPageOptions},
      {"dist/quorvel.bash-completion", completionOptions},
      {"dist/readme.txt.in", readmeOptions},
      {"README.md", readmeTableOptions},
  };
  const OptionNames table = tableOptions();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string text = readFile(sep(std::string(QUORVEL_SOURCE_DIR) + "/" + c.file));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(describe(c.read(text)), describe(table));
  }
}

}  // namespace
}  // namespace qv::test
