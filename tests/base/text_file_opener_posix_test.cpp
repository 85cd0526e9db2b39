// findTextFileOpener() on POSIX reads the desktop's file-type associations.
// These tests build the XDG directories in a temporary tree, point the
// environment at it and ask for the opener.
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

#include "base/text_file_opener.h"

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
// in sys1/applications, whose programs are a-editor, b-editor and c-editor.
// The environment is restored afterwards.
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

  std::string opener() { return findTextFileOpener().cStr(); }

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

class TextFileOpenerOrder : public XdgTree, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(TextFileOpenerOrder, PicksTheDefaultTextApplication) {
  write(GetParam().files);
  EXPECT_EQ(opener(), GetParam().expected);
}

const OrderCase ORDER_CASES[] = {
    {"NothingAssociated", {}, ""},
    {"OtherTypesIgnored",
     {{"config/mimeapps.list", "[Default Applications]\ntext/html=a.desktop\n"}},
     ""},
    {"UserConfigBeforeSystemConfig",
     {{"config/mimeapps.list", defaults("a.desktop")},
      {"sysconfig/mimeapps.list", defaults("b.desktop")}},
     "a-editor"},
    {"ConfigBeforeData",
     {{"sysconfig/mimeapps.list", defaults("b.desktop")},
      {"data/applications/mimeapps.list", defaults("a.desktop")}},
     "b-editor"},
    {"DataHomeBeforeDataDirs",
     {{"data/applications/mimeapps.list", defaults("a.desktop")},
      {"sys1/applications/mimeapps.list", defaults("b.desktop")}},
     "a-editor"},
    {"DataDirsInListedOrder",
     {{"sys2/applications/mimeapps.list", defaults("c.desktop")},
      {"sys1/applications/mimeapps.list", defaults("b.desktop")}},
     "b-editor"},
    {"DesktopSpecificBeforePlain",
     {{"config/test-mimeapps.list", defaults("b.desktop")},
      {"config/mimeapps.list", defaults("a.desktop")}},
     "b-editor"},
    {"OtherDesktopsIgnored",
     {{"config/kde-mimeapps.list", defaults("b.desktop")},
      {"config/mimeapps.list", defaults("a.desktop")}},
     "a-editor"},
    {"DirectoryOutranksDesktopSpecific",
     {{"config/mimeapps.list", defaults("a.desktop")},
      {"sysconfig/test-mimeapps.list", defaults("b.desktop")}},
     "a-editor"},
    {"DefaultAnywhereBeforeAdded",
     {{"config/mimeapps.list", added("a.desktop")},
      {"sys1/applications/mimeapps.list", defaults("b.desktop")}},
     "b-editor"},
    {"AddedAnywhereBeforeCache",
     {{"data/applications/mimeinfo.cache", cached("a.desktop")},
      {"sys1/applications/mimeapps.list", added("b.desktop")}},
     "b-editor"},
    {"CacheWhenNothingElse",
     {{"sys1/applications/mimeinfo.cache", cached("c.desktop;a.desktop;")}},
     "c-editor"},
    {"FirstInstalledDefaultWins",
     {{"config/mimeapps.list", defaults("missing.desktop;b.desktop;a.desktop")}},
     "b-editor"},
    {"UninstalledDefaultFallsToLowerFile",
     {{"config/mimeapps.list", defaults("missing.desktop")},
      {"sysconfig/mimeapps.list", defaults("c.desktop")}},
     "c-editor"},
    {"UninstalledDefaultFallsToAdded",
     {{"config/mimeapps.list", defaults("missing.desktop") + added("a.desktop")}},
     "a-editor"},
    {"RemovedHidesCacheEntry",
     {{"config/mimeapps.list", removed("a.desktop")},
      {"sys1/applications/mimeinfo.cache", cached("a.desktop;b.desktop")}},
     "b-editor"},
    {"RemovedHidesDefaultOfLowerFile",
     {{"config/mimeapps.list", removed("a.desktop")},
      {"sysconfig/mimeapps.list", defaults("a.desktop;c.desktop")}},
     "c-editor"},
    {"RemovalDoesNotReachHigherFile",
     {{"config/mimeapps.list", defaults("a.desktop")},
      {"sys1/applications/mimeapps.list", removed("a.desktop")}},
     "a-editor"},
    {"HiddenDesktopFileShadowsInstalledOne",
     {{"data/applications/a.desktop", "[Desktop Entry]\nHidden=true\nExec=a %U\n"},
      {"config/mimeapps.list", defaults("a.desktop;b.desktop")}},
     "b-editor"},
    {"IdWithDashesFoundInSubdirectory",
     {{"sys2/applications/org/example-ed.desktop", "[Desktop Entry]\nExec=ed\n"},
      {"config/mimeapps.list", defaults("org-example-ed.desktop")}},
     "ed"},
};

INSTANTIATE_TEST_SUITE_P(Cases, TextFileOpenerOrder, ::testing::ValuesIn(ORDER_CASES),
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

class TextFileOpenerExec : public XdgTree, public ::testing::WithParamInterface<OpenerCase> {};

TEST_P(TextFileOpenerExec, ExecLineBecomesTheProgram) {
  write("config/mimeapps.list", defaults("ed.desktop"));
  write("sys1/applications/ed.desktop", GetParam().desktopFile);
  EXPECT_EQ(opener(), GetParam().expected);
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
    {"Utf8PathBecomesCp932", u8"[Desktop Entry]\nExec=/opt/エディタ/ed %U\n", "/opt/エディタ/ed"},
    {"NoExec", "[Desktop Entry]\nName=Viewer\n", ""},
    {"EmptyExec", "[Desktop Entry]\nExec=\n", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, TextFileOpenerExec, ::testing::ValuesIn(OPENER_CASES),
                         [](const ::testing::TestParamInfo<OpenerCase>& info) {
                           return std::string(info.param.name);
                         });

class TextFileOpenerDesktopFiles : public XdgTree {};

TEST_F(TextFileOpenerDesktopFiles, UserApplicationShadowsSystemOne) {
  write("config/mimeapps.list", defaults("a.desktop"));
  write("data/applications/a.desktop", "[Desktop Entry]\nExec=mine %U\n");
  EXPECT_EQ(opener(), "mine");
}

TEST_F(TextFileOpenerDesktopFiles, NoAssociationGivesNoOpener) {
  EXPECT_EQ(opener(), "");
}

}  // namespace
}  // namespace qv
