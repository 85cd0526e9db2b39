// RegistryKey, RegistryReader and findTextFileOpener() on the real registry.
// Each test registers ".txt" as a type of its own below HKEY_CLASSES_ROOT and
// puts the previous registration back afterwards.
#include <windows.h>

#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

#include "base/platform.h"
#include "base/registry_key.h"
#include "base/registry_reader.h"
#include "base/text_file_opener.h"

namespace qv {
namespace {

const char* const TYPE = "QuorvelTest.Text";
const char* const COMMAND_KEY = "QuorvelTest.Text\\shell\\open\\command";

void setValue(const char* subkey, const char* valueName, DWORD type, const void* data, DWORD size) {
  HKEY key;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CLASSES_ROOT, subkey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, valueName, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void setString(const char* subkey, const std::string& text, DWORD type = REG_SZ) {
  setValue(subkey, "", type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

std::optional<std::string> readDefault(const char* subkey) {
  char buffer[1024];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  if (RegGetValueA(HKEY_CLASSES_ROOT, subkey, "", RRF_RT_REG_SZ, &type, buffer, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(buffer);
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = readDefault(".txt");
    setString(".txt", TYPE);
  }

  void TearDown() override {
    for (const char* key :
         {COMMAND_KEY, "QuorvelTest.Text\\shell\\open", "QuorvelTest.Text\\shell", TYPE}) {
      RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    }
    if (saved_) {
      setString(".txt", *saved_);
    } else {
      HKEY key;
      if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "");
        RegCloseKey(key);
      }
    }
  }

  std::optional<std::string> saved_;
};

struct OpenerCase {
  const char* name;
  const char* command;  // null: no command key
  DWORD type;
  const char* expected;
};
void PrintTo(const OpenerCase& c, std::ostream* os) {
  *os << c.name;
}

class RegistryOpener : public Registry, public ::testing::WithParamInterface<OpenerCase> {};

TEST_P(RegistryOpener, CommandBecomesTheProgram) {
  const OpenerCase& c = GetParam();
  test::setEnvironment("QV_TOOLS", "D:\\Tools");
  if (c.command != nullptr) setString(COMMAND_KEY, c.command, c.type);
  EXPECT_EQ(std::string(findTextFileOpener().cStr()), c.expected);
  test::setEnvironment("QV_TOOLS", nullptr);
}

const OpenerCase OPENER_CASES[] = {
    {"QuotedPath", "\"D:\\Tools\\Edit.exe\" \"%1\"", REG_SZ, "D:\\Tools\\Edit.exe"},
    {"OptionsBeforePlaceholderKept", "D:\\Tools\\Edit.exe /n %1", REG_SZ, "D:\\Tools\\Edit.exe /n"},
    {"QuotedPathWithSpaces", "\"D:\\Program Files\\Ed\\ed.exe\" /open \"%1\"", REG_SZ,
     "D:\\Program Files\\Ed\\ed.exe"},
    {"ExpandableCommandIsExpanded", "%QV_TOOLS%\\ed.exe \"%1\"", REG_EXPAND_SZ,
     "D:\\Tools\\ed.exe"},
    {"UnsetVariableCutsTheCommand", "%QV_UNSET%\\ed.exe \"%1\"", REG_EXPAND_SZ, ""},
    {"PlaceholderOnly", "%1", REG_SZ, ""},
    {"QuoteSpaceThenQuotedPath", "\" \"D:\\x.exe\" %1", REG_SZ, "D:\\x.exe"},
    {"JapanesePath", "\"D:\\表計算\\ソフト.exe\" %1", REG_SZ, "D:\\表計算\\ソフト.exe"},
    {"NoCommandKey", nullptr, REG_SZ, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, RegistryOpener, ::testing::ValuesIn(OPENER_CASES),
                         [](const ::testing::TestParamInfo<OpenerCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(Registry, NoUsableTypeGivesNoOpener) {
  setString(COMMAND_KEY, "D:\\Tools\\Edit.exe %1");
  setString(".txt", "");
  EXPECT_STREQ(findTextFileOpener().cStr(), "");
  DWORD number = 1;
  setValue(".txt", "", REG_DWORD, &number, sizeof number);
  EXPECT_STREQ(findTextFileOpener().cStr(), "");
}

TEST_F(Registry, QueriesGiveSizesLengthsAndDefaults) {
  setString(TYPE, "abc");
  RegistryKey key;
  ASSERT_TRUE(key.open("", CLASSES_ROOT));
  EXPECT_EQ(key.queryString(TYPE, "", nullptr, nullptr, 0), 4u);
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(key.queryString(TYPE, "", nullptr, buffer, 4), 3u);
  EXPECT_STREQ(buffer, "abc");
  // Too small: nothing read, the default cut to the buffer.
  EXPECT_EQ(key.queryString(TYPE, "", "default", buffer, 3), 0u);
  EXPECT_STREQ(buffer, "de");
  // Each query wants one type.
  EXPECT_EQ(key.queryExpandString(TYPE, "", nullptr, nullptr, 0), 0u);
  EXPECT_EQ(key.queryString("QuorvelTest.Missing", "", "dflt", buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "dflt");

  RegistryReader reader;
  ASSERT_TRUE(reader.open("", CLASSES_ROOT));
  EXPECT_STREQ(reader.getString(TYPE, "", "a much longer default").cStr(), "abc");
  setString(TYPE, "");
  EXPECT_STREQ(reader.getString(TYPE, "", "dflt").cStr(), "dflt");
  EXPECT_FALSE(reader.open("QuorvelTest.Missing", CLASSES_ROOT));
  EXPECT_EQ(lastError(), CODE_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace qv
