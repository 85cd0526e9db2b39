// The registry stand-in on POSIX answers from the desktop's file-type
// associations. These tests build the XDG directories in a temporary tree,
// point the environment at it and read through RegistryKey, RegistryReader
// and findTextFileOpener().
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

#include "base/registry_key.h"
#include "base/registry_reader.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

const char* const XDG_VARIABLES[] = {"HOME",          "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS",
                                     "XDG_DATA_HOME", "XDG_DATA_DIRS",   "XDG_CURRENT_DESKTOP"};

using Files = std::vector<std::pair<std::string, std::string>>;

// A temporary XDG tree, relative paths below root():
//   config/        XDG_CONFIG_HOME      sysconfig/  XDG_CONFIG_DIRS
//   data/          XDG_DATA_HOME        sys1/ sys2/ XDG_DATA_DIRS, in that order
// with XDG_CURRENT_DESKTOP "Test" and a.desktop, b.desktop, c.desktop installed
// in sys1/applications. The environment is restored afterwards.
class XdgTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = temp_.path();
    for (const char* name : XDG_VARIABLES) {
      const char* value = getenv(name);
      saved_.emplace_back(name,
                          value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("HOME", (root_ + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (root_ + "/sysconfig").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
    setenv("XDG_DATA_DIRS", (root_ + "/sys1:" + root_ + "/sys2").c_str(), 1);
    setenv("XDG_CURRENT_DESKTOP", "Test", 1);
    for (const char* app : {"a", "b", "c"}) {
      write(std::string("sys1/applications/") + app + ".desktop",
            std::string("[Desktop Entry]\nType=Application\nExec=") + app + "-editor %U\n");
    }
  }

  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

  void write(const std::string& relative, const std::string& text) {
    fs::path path = fs::path(root_) / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  void write(const Files& files) {
    for (const auto& [relative, text] : files) write(relative, text);
  }

  // The ".txt" association as the program reads it, "none" when missing.
  std::string textFileType() {
    RegistryReader reader;
    if (!reader.open("", CLASSES_ROOT)) return "cannot open";
    return reader.getString(".txt", "", "none").cStr();
  }

  test::TempDir temp_;
  std::string root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string defaults(const std::string& ids) {
  return "[Default Applications]\ntext/plain=" + ids + "\n";
}
std::string added(const std::string& ids) {
  return "[Added Associations]\ntext/plain=" + ids + "\n";
}
std::string removed(const std::string& ids) {
  return "[Removed Associations]\ntext/plain=" + ids + "\n";
}
std::string cached(const std::string& ids) {
  return "[MIME Cache]\ntext/plain=" + ids + "\n";
}

struct OrderCase {
  const char* name;
  Files files;
  const char* expected;
};
void PrintTo(const OrderCase& c, std::ostream* os) {
  *os << c.name;
}

class RegistryAssociationOrder : public XdgTree, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(RegistryAssociationOrder, PicksTheDefaultTextApplication) {
  write(GetParam().files);
  EXPECT_EQ(textFileType(), GetParam().expected);
}

const OrderCase ORDER_CASES[] = {
    {"NothingAssociated", {}, "none"},
    {"OtherTypesIgnored",
     {{"config/mimeapps.list", "[Default Applications]\ntext/html=a.desktop\n"}},
     "none"},
    {"UserConfigBeforeSystemConfig",
     {{"config/mimeapps.list", defaults("a.desktop")},
      {"sysconfig/mimeapps.list", defaults("b.desktop")}},
     "a.desktop"},
    {"ConfigBeforeData",
     {{"sysconfig/mimeapps.list", defaults("b.desktop")},
      {"data/applications/mimeapps.list", defaults("a.desktop")}},
     "b.desktop"},
    {"DataHomeBeforeDataDirs",
     {{"data/applications/mimeapps.list", defaults("a.desktop")},
      {"sys1/applications/mimeapps.list", defaults("b.desktop")}},
     "a.desktop"},
    {"DataDirsInListedOrder",
     {{"sys2/applications/mimeapps.list", defaults("c.desktop")},
      {"sys1/applications/mimeapps.list", defaults("b.desktop")}},
     "b.desktop"},
    {"DesktopSpecificBeforePlain",
     {{"config/test-mimeapps.list", defaults("b.desktop")},
      {"config/mimeapps.list", defaults("a.desktop")}},
     "b.desktop"},
    {"OtherDesktopsIgnored",
     {{"config/kde-mimeapps.list", defaults("b.desktop")},
      {"config/mimeapps.list", defaults("a.desktop")}},
     "a.desktop"},
    {"DirectoryOutranksDesktopSpecific",
     {{"config/mimeapps.list", defaults("a.desktop")},
      {"sysconfig/test-mimeapps.list", defaults("b.desktop")}},
     "a.desktop"},
    {"DefaultAnywhereBeforeAdded",
     {{"config/mimeapps.list", added("a.desktop")},
      {"sys1/applications/mimeapps.list", defaults("b.desktop")}},
     "b.desktop"},
    {"AddedAnywhereBeforeCache",
     {{"data/applications/mimeinfo.cache", cached("a.desktop")},
      {"sys1/applications/mimeapps.list", added("b.desktop")}},
     "b.desktop"},
    {"CacheWhenNothingElse",
     {{"sys1/applications/mimeinfo.cache", cached("c.desktop;a.desktop;")}},
     "c.desktop"},
    {"FirstInstalledDefaultWins",
     {{"config/mimeapps.list", defaults("missing.desktop;b.desktop;a.desktop")}},
     "b.desktop"},
    {"UninstalledDefaultFallsToLowerFile",
     {{"config/mimeapps.list", defaults("missing.desktop")},
      {"sysconfig/mimeapps.list", defaults("c.desktop")}},
     "c.desktop"},
    {"UninstalledDefaultFallsToAdded",
     {{"config/mimeapps.list", defaults("missing.desktop") + added("a.desktop")}},
     "a.desktop"},
    {"RemovedHidesCacheEntry",
     {{"config/mimeapps.list", removed("a.desktop")},
      {"sys1/applications/mimeinfo.cache", cached("a.desktop;b.desktop")}},
     "b.desktop"},
    {"RemovedHidesDefaultOfLowerFile",
     {{"config/mimeapps.list", removed("a.desktop")},
      {"sysconfig/mimeapps.list", defaults("a.desktop;c.desktop")}},
     "c.desktop"},
    {"RemovalDoesNotReachHigherFile",
     {{"config/mimeapps.list", defaults("a.desktop")},
      {"sys1/applications/mimeapps.list", removed("a.desktop")}},
     "a.desktop"},
    {"HiddenDesktopFileShadowsInstalledOne",
     {{"data/applications/a.desktop", "[Desktop Entry]\nHidden=true\nExec=a %U\n"},
      {"config/mimeapps.list", defaults("a.desktop;b.desktop")}},
     "b.desktop"},
    {"IdWithDashesFoundInSubdirectory",
     {{"sys2/applications/org/example-ed.desktop", "[Desktop Entry]\nExec=ed\n"},
      {"config/mimeapps.list", defaults("org-example-ed.desktop")}},
     "org-example-ed.desktop"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RegistryAssociationOrder, ::testing::ValuesIn(ORDER_CASES),
                         [](const ::testing::TestParamInfo<OrderCase>& info) {
                           return std::string(info.param.name);
                         });

struct OpenerCase {
  const char* name;
  const char* desktopFile;
  const char* expected;
};
void PrintTo(const OpenerCase& c, std::ostream* os) {
  *os << c.name;
}

class RegistryOpener : public XdgTree, public ::testing::WithParamInterface<OpenerCase> {};

TEST_P(RegistryOpener, ExecLineBecomesTheProgram) {
  write("config/mimeapps.list", defaults("ed.desktop"));
  write("sys1/applications/ed.desktop", GetParam().desktopFile);
  EXPECT_EQ(std::string(findTextFileOpener().cStr()), GetParam().expected);
}

const OpenerCase OPENER_CASES[] = {
    {"FieldCodeDropped", "[Desktop Entry]\nExec=gedit %U\n", "gedit"},
    {"QuotedPathWithSpaces", "[Desktop Entry]\nExec=\"/opt/My Editor/ed\" --new %F\n",
     "/opt/My Editor/ed"},
    {"OptionsBeforeFieldCodeKept", "[Desktop Entry]\nExec=kate -b %U\n", "kate -b"},
    {"NoFieldCode", "[Desktop Entry]\nExec=leafpad\n", "leafpad"},
    {"SpacesAroundEquals", "[Desktop Entry]\nName=Pad\nExec = mousepad %F\r\n", "mousepad"},
    {"ActionExecIsNotTheCommand",
     "[Desktop Entry]\nName=Ed\n\n[Desktop Action new-window]\nExec=wrong --new %U\n", ""},
    {"NoExec", "[Desktop Entry]\nName=Viewer\n", ""},
    {"EmptyExec", "[Desktop Entry]\nExec=\n", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, RegistryOpener, ::testing::ValuesIn(OPENER_CASES),
                         [](const ::testing::TestParamInfo<OpenerCase>& info) {
                           return std::string(info.param.name);
                         });

class RegistryDesktopFiles : public XdgTree {};

TEST_F(RegistryDesktopFiles, UserApplicationShadowsSystemOne) {
  write("config/mimeapps.list", defaults("a.desktop"));
  write("data/applications/a.desktop", "[Desktop Entry]\nExec=mine %U\n");
  EXPECT_STREQ(findTextFileOpener().cStr(), "mine");
}

TEST_F(RegistryDesktopFiles, NoAssociationGivesNoOpener) {
  EXPECT_STREQ(findTextFileOpener().cStr(), "");
}

// ".txt" is "ed.desktop" (size 11 with its zero); the command is "editor %U"
// (size 10).
struct QueryCase {
  const char* name;
  bool expand;
  const char* subkey;
  const char* valueName;
  const char* defaultText;
  uint32_t bufferSize;  // 0: no buffer, a size query
  uint32_t result;
  const char* buffer;
};
void PrintTo(const QueryCase& c, std::ostream* os) {
  *os << c.name;
}

class WithEditor : public XdgTree {
 protected:
  void SetUp() override {
    XdgTree::SetUp();
    write("config/mimeapps.list", defaults("ed.desktop"));
    write("sys1/applications/ed.desktop", "[Desktop Entry]\nExec=editor %U\n");
  }
};

class RegistryKeyQuery : public WithEditor, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(RegistryKeyQuery, ReadsLikeTheRegistry) {
  const QueryCase& c = GetParam();
  RegistryKey key;
  ASSERT_TRUE(key.open("", CLASSES_ROOT));
  std::vector<char> buffer(c.bufferSize + 1, 'x');
  char* data = c.bufferSize > 0 ? buffer.data() : nullptr;
  uint32_t result =
      c.expand ? key.queryExpandString(c.subkey, c.valueName, c.defaultText, data, c.bufferSize)
               : key.queryString(c.subkey, c.valueName, c.defaultText, data, c.bufferSize);
  EXPECT_EQ(result, c.result);
  if (data != nullptr) {
    EXPECT_STREQ(data, c.buffer);
    EXPECT_EQ(buffer[c.bufferSize], 'x') << "wrote past the buffer";
  }
}

const char* const COMMAND_KEY = "ed.desktop\\shell\\open\\command";

const QueryCase QUERY_CASES[] = {
    {"SizeQuery", false, ".txt", "", nullptr, 0, 11, nullptr},
    {"ExactBuffer", false, ".txt", "", nullptr, 11, 10, "ed.desktop"},
    {"LargeBuffer", false, ".txt", "", "dflt", 64, 10, "ed.desktop"},
    {"KeyNamesIgnoreCase", false, ".TXT", "", nullptr, 64, 10, "ed.desktop"},
    {"BufferTooSmall", false, ".txt", "", nullptr, 10, 0, ""},
    {"BufferTooSmallGivesDefault", false, ".txt", "", "dflt", 10, 0, "dflt"},
    {"DefaultCutToBuffer", false, ".txt", "", "default", 4, 0, "def"},
    {"Command", false, COMMAND_KEY, "", nullptr, 64, 9, "editor %U"},
    {"CommandKeyNamesIgnoreCase", false, "ed.desktop\\Shell\\Open\\Command", "", nullptr, 64, 9,
     "editor %U"},
    {"NullValueNameIsDefaultValue", false, COMMAND_KEY, nullptr, nullptr, 64, 9, "editor %U"},
    {"NamedValueMissing", false, ".txt", "Content Type", "dflt", 64, 0, "dflt"},
    {"OtherExtensionMissing", false, ".doc", "", "dflt", 64, 0, "dflt"},
    {"KeyWithoutValue", false, "ed.desktop\\shell\\open", "", "dflt", 64, 0, "dflt"},
    {"UninstalledApplication", false, "gone.desktop\\shell\\open\\command", "", "dflt", 64, 0,
     "dflt"},
    {"DeeperKeyMissing", false, "ed.desktop\\shell\\open\\command\\more", "", "dflt", 64, 0,
     "dflt"},
    {"ExpandSizeQueryOfPlainString", true, ".txt", "", nullptr, 0, 0, nullptr},
    {"ExpandReadOfPlainString", true, COMMAND_KEY, "", "dflt", 64, 0, "dflt"},
};

INSTANTIATE_TEST_SUITE_P(Cases, RegistryKeyQuery, ::testing::ValuesIn(QUERY_CASES),
                         [](const ::testing::TestParamInfo<QueryCase>& info) {
                           return std::string(info.param.name);
                         });

class RegistryKeyOpen : public WithEditor {};

TEST_F(RegistryKeyOpen, SubkeysAreRelativeToTheOpenKey) {
  RegistryKey key;
  ASSERT_TRUE(key.open("ed.desktop", CLASSES_ROOT));
  char buffer[32];
  EXPECT_EQ(key.queryString("shell\\open\\command", "", nullptr, buffer, sizeof buffer), 9u);
  EXPECT_STREQ(buffer, "editor %U");

  ASSERT_TRUE(key.open(COMMAND_KEY, CLASSES_ROOT));
  EXPECT_EQ(key.queryString("", "", nullptr, buffer, sizeof buffer), 9u);
  EXPECT_STREQ(buffer, "editor %U");
  EXPECT_EQ(key.queryString(nullptr, "", nullptr, nullptr, 0), 10u);
}

TEST_F(RegistryKeyOpen, MissingKeysDoNotOpen) {
  for (const char* subkey : {"gone.desktop", "ed.desktop\\shell\\edit", ".txt\\ShellNew",
                             "ed.desktop\\\\shell", "a.desktop\\shell\\open\\command\\x"}) {
    SCOPED_TRACE(subkey);
    RegistryKey key;
    EXPECT_FALSE(key.open(subkey, CLASSES_ROOT));
    EXPECT_FALSE(key.isOpen());
  }
  RegistryKey key;
  EXPECT_FALSE(key.open("", nullptr));
}

TEST_F(RegistryKeyOpen, FailedOpenClosesThePreviousKey) {
  RegistryKey key;
  ASSERT_TRUE(key.open(".txt", CLASSES_ROOT));
  EXPECT_FALSE(key.open("gone.desktop", CLASSES_ROOT));
  EXPECT_FALSE(key.isOpen());
  char buffer[8];
  EXPECT_EQ(key.queryString("", "", "dflt", buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "dflt");
}

TEST_F(RegistryKeyOpen, ClosedKeyGivesTheDefault) {
  RegistryKey key;
  char buffer[8] = "junk";
  EXPECT_EQ(key.queryString(".txt", "", nullptr, buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(key.queryString(".txt", "", "dflt", buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "dflt");
  EXPECT_EQ(key.queryString(".txt", "", "dflt", nullptr, 0), 0u);
}

class RegistryReaderTest : public WithEditor {
 protected:
  void SetUp() override {
    WithEditor::SetUp();
    write("sys1/applications/empty.desktop", "[Desktop Entry]\nExec=\n");
    ASSERT_TRUE(reader_.open("", CLASSES_ROOT));
  }

  std::string get(const char* subkey, const char* defaultText) {
    return reader_.getString(subkey, "", defaultText).cStr();
  }

  RegistryReader reader_;
};

TEST_F(RegistryReaderTest, GetStringFallsBackToTheDefault) {
  EXPECT_EQ(get(".txt", "dflt"), "ed.desktop");
  EXPECT_EQ(get("ed.desktop\\shell\\open\\command", "dflt"), "editor %U");
  EXPECT_EQ(get("empty.desktop\\shell\\open\\command", "dflt"), "dflt");
  EXPECT_EQ(get(".doc", "dflt"), "dflt");
  EXPECT_EQ(std::string(reader_.getString(".txt", "Content Type", "dflt").cStr()), "dflt");
}

TEST_F(RegistryReaderTest, ExpandedStringNeedsAnExpandableValue) {
  EXPECT_STREQ(reader_.getExpandedString(".txt", "", "dflt").cStr(), "dflt");
}

TEST_F(RegistryReaderTest, ClosedReaderGivesTheDefault) {
  reader_.close();
  EXPECT_EQ(get(".txt", "dflt"), "dflt");
  EXPECT_TRUE(reader_.open("ed.desktop\\shell", CLASSES_ROOT));
  EXPECT_EQ(get("open\\command", "dflt"), "editor %U");
}

}  // namespace
}  // namespace qv
