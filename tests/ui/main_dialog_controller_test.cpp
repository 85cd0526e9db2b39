// The main dialog's logic driven through a scripted view: what the user
// types and checks, which boxes come up with which text and style, what they
// answer, where the focus goes and what is written.
#include "ui/main_dialog_controller.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/report_app.h"
#include "base/error.h"
#include "test_support.h"
#include "ui/resource_ids.h"
#include "ui/save_file_dialog.h"

namespace qv {
namespace {

using test::lines;
using test::makeDirs;
using test::readFile;
using test::TempDir;
using test::writeFile;

struct Box {
  std::string text;
  std::string caption;
  unsigned style;
};

// A dialog that remembers what was done to it and answers boxes and pickers
// from a script.
class FakeView : public DialogView {
 public:
  String itemText(int id) override { return String(texts[id].c_str()); }
  void setItemText(int id, const String& text) override { texts[id] = text.cStr(); }
  Path itemPath(int id) override { return itemText(id); }
  void setItemPath(int id, const Path& path) override { setItemText(id, path.shown()); }
  void setTextLimit(int id, int characters) override { limits[id] = characters; }
  bool isChecked(int id) override { return checks[id]; }
  void setChecked(int id, bool checked) override { checks[id] = checked; }
  void setEnabled(int id, bool enabled) override { enabled_[id] = enabled; }
  void setFocus(int id) override { focus = id; }
  int showMessageBox(const char* text, const char* caption, unsigned style) override {
    boxes.push_back({text, caption, style});
    if (answers.empty()) return asksYesNo(style) ? BUTTON_NO : BUTTON_OK;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void setWaitCursor(bool waiting) override { waitChanges.push_back(waiting); }
  bool pickFolder(const char* title, const Path* initialFolder, Path& folder) override {
    folderRequests.push_back(
        {title, initialFolder != nullptr ? initialFolder->shown().cStr() : "(none)"});
    if (folderAnswers.empty()) return false;
    folder = folderAnswers.front().c_str();
    folderAnswers.pop_front();
    return true;
  }
  bool pickSaveFile(const SaveFileDialog& dialog, Path& file) override {
    saveRequests.push_back(&dialog);
    lastFilters = dialog.filters().size();
    lastExtension = dialog.defaultExtension().cStr();
    lastFlags = dialog.flags();
    if (saveAnswer.empty()) return false;
    file = saveAnswer.c_str();
    return true;
  }

  bool isEnabled(int id) { return enabled_.count(id) == 0 || enabled_[id]; }

  std::map<int, std::string> texts;
  std::map<int, int> limits;
  std::map<int, bool> checks;
  std::map<int, bool> enabled_;
  int focus = 0;
  std::vector<Box> boxes;
  std::deque<int> answers;
  std::vector<bool> waitChanges;
  std::vector<std::pair<std::string, std::string>> folderRequests;
  std::deque<std::string> folderAnswers;
  std::vector<const SaveFileDialog*> saveRequests;
  size_t lastFilters = 0;
  std::string lastExtension;
  unsigned lastFlags = 0;
  std::string saveAnswer;
};

class MainDialogControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = test::currentDirectory();
    ASSERT_TRUE(test::changeDirectory(dir.path()));
    makeDirs(dir / "in/sub");
    writeFile(dir / "in/a.txt");
    writeFile(dir / "in/.hidden");
    controller.initialize();
  }
  void TearDown() override { ASSERT_TRUE(test::changeDirectory(saved_)); }

  // Fills the two paths, presses the save button and answers Yes.
  void saveWithYes(const std::string& directory, const std::string& output) {
    view.texts[IDC_DIRECTORY] = directory;
    view.texts[IDC_OUTPUT_FILE] = output;
    view.answers = {BUTTON_YES, BUTTON_OK};
    controller.command(IDOK_SAVE);
  }

  TempDir dir;
  std::string saved_;
  ReportApp app;
  FakeView view;
  MainDialogController controller{app, view, &view};
};

TEST_F(MainDialogControllerTest, StartsWithTreeOpenAfterAndTheDefaultPattern) {
  EXPECT_TRUE(view.checks[IDC_MODE_TREE]);
  EXPECT_TRUE(view.checks[IDC_OPEN_AFTER]);
  EXPECT_FALSE(view.checks[IDC_MODE_PATHS]);
  EXPECT_EQ(view.texts[IDC_PATTERN], "*.*");
  EXPECT_FALSE(view.isEnabled(IDC_INCLUDE_ALL));
  EXPECT_EQ(view.limits[IDC_PATTERN], 30);
  EXPECT_EQ(view.limits[IDC_DIRECTORY], MAX_PATH_BYTES - 1);
  EXPECT_EQ(view.limits[IDC_OUTPUT_FILE], MAX_PATH_BYTES - 1);
}

TEST_F(MainDialogControllerTest, EachMissingInputIsNamedAndFocused) {
  writeFile(dir / "afile");
  struct Case {
    std::string directory;
    std::string output;
    const char* message;
    int focus;
  } cases[] = {
      {"", "", "ディレクトリ名を指定してください。", IDC_DIRECTORY},
      {"missing", "r.txt", "指定されたディレクトリは存在しません。", IDC_DIRECTORY},
      {"afile", "r.txt", "指定されたディレクトリは存在しません。", IDC_DIRECTORY},
      {"in", "", "ファイル名を指定してください。", IDC_OUTPUT_FILE},
      {"in", "in/sub/", "ファイル名を指定してください。", IDC_OUTPUT_FILE},
      {"in", "nowhere/r.txt", "指定されたディレクトリは存在しません。", IDC_OUTPUT_FILE},
  };
  for (const Case& c : cases) {
    view.boxes.clear();
    view.focus = 0;
    view.texts[IDC_DIRECTORY] = c.directory;
    view.texts[IDC_OUTPUT_FILE] = c.output;
    controller.command(IDOK_SAVE);
    ASSERT_EQ(view.boxes.size(), 1u) << c.directory << " / " << c.output;
    EXPECT_EQ(view.boxes[0].text, c.message);
    EXPECT_EQ(view.boxes[0].caption, "Quorvel");
    EXPECT_EQ(view.boxes[0].style, BOX_WARNING);
    EXPECT_EQ(view.focus, c.focus);
  }
  EXPECT_FALSE(test::exists(dir / "r.txt"));
  EXPECT_TRUE(view.waitChanges.empty());
}

TEST_F(MainDialogControllerTest, FieldsAreWrittenBackAbsoluteAndThePatternFilledIn) {
  view.texts[IDC_PATTERN] = "";
  view.answers = {BUTTON_NO};
  view.texts[IDC_DIRECTORY] = ".";
  view.texts[IDC_OUTPUT_FILE] = "r.txt";
  controller.command(IDOK_SAVE);
  EXPECT_EQ(view.texts[IDC_DIRECTORY], dir.path());
  EXPECT_EQ(view.texts[IDC_OUTPUT_FILE], dir / "r.txt");
  EXPECT_EQ(view.texts[IDC_PATTERN], "*.*");
  // With all fields empty the pattern is filled in before the first check.
  view.texts = {{IDC_PATTERN, ""}};
  controller.command(IDOK_SAVE);
  EXPECT_EQ(view.texts[IDC_PATTERN], "*.*");
  EXPECT_EQ(view.focus, IDC_DIRECTORY);
}

TEST_F(MainDialogControllerTest, ConfirmationDependsOnWhetherTheFileExists) {
  writeFile(dir / "old.txt", "old");
  struct Case {
    const char* file;
    std::string question;
    unsigned style;
  } cases[] = {
      {"new.txt", "を作成します。\r\nよろしいですか？", BOX_QUESTION_YES_NO},
      {"old.txt", "は既に存在します。\r\n上書きしますか？", BOX_WARNING_YES_NO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    view.boxes.clear();
    view.texts[IDC_DIRECTORY] = "in";
    view.texts[IDC_OUTPUT_FILE] = c.file;
    view.answers = {BUTTON_NO};
    controller.command(IDOK_SAVE);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, dir / c.file + c.question);
    EXPECT_EQ(view.boxes[0].style, c.style);
  }
  // No writes nothing.
  EXPECT_FALSE(test::exists(dir / "new.txt"));
  EXPECT_EQ(readFile(dir / "old.txt"), "old");
  EXPECT_EQ(view.waitChanges, (std::vector<bool>{true, false, true, false}));
}

TEST_F(MainDialogControllerTest, YesWritesTheReportAndSaysSoOnlyWhenNotOpening) {
  view.checks[IDC_OPEN_AFTER] = false;
  saveWithYes("in", "r.txt");
  EXPECT_EQ(readFile(dir / "r.txt"), lines({"[" + dir / "in/]", "├[sub]", "└a.txt"}));
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_EQ(view.boxes[1].text, dir / "r.txt" + "を出力しました。");
  EXPECT_EQ(view.boxes[1].style, BOX_INFORMATION);
}

TEST_F(MainDialogControllerTest, OpeningTheReportReplacesTheCompletionMessage) {
  {
    test::TextAssociation harmless(dir, test::HARMLESS_PROGRAM);
    saveWithYes("in", "r.txt");
  }
  ASSERT_EQ(view.boxes.size(), 1u) << view.boxes.back().text;
  EXPECT_EQ(view.boxes[0].style, BOX_QUESTION_YES_NO);
  EXPECT_TRUE(test::exists(dir / "r.txt"));
}

TEST_F(MainDialogControllerTest, OptionControlsReachTheReport) {
  view.checks[IDC_OPEN_AFTER] = false;
  view.checks[IDC_MODE_PATHS] = true;
  view.checks[IDC_MODE_TREE] = false;
  view.checks[IDC_INCLUDE_HIDDEN] = true;
  view.checks[IDC_SHOW_ATTRIBUTES] = true;
  view.texts[IDC_PATTERN] = "*";
  saveWithYes("in/", "r.txt");
  std::string in = dir / "in/";
  EXPECT_EQ(readFile(dir / "r.txt"),
            lines({"[" + in + "]", " HA  " + in + ".hidden", " A  " + in + "a.txt"}));
}

TEST_F(MainDialogControllerTest, LaunchFailureAndOtherErrorsAreShownAndTheDialogGoesOn) {
  test::TextAssociation none(dir, "");
  saveWithYes("in", "r.txt");
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_EQ(view.boxes[1].text, LAUNCH_FAILED_TEXT);
  EXPECT_EQ(view.boxes[1].style, BOX_WARNING);
  EXPECT_FALSE(readFile(dir / "r.txt").empty()) << "the report is written first";
  EXPECT_EQ(view.waitChanges.back(), false);

  // A directory in the way of the output: the system's text, and on again.
  makeDirs(dir / "in/taken");
  view.boxes.clear();
  saveWithYes("in", "in/taken");
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_EQ(view.boxes[1].text, Exception(CODE_ACCESS_DENIED).text());
  view.boxes.clear();
  view.checks[IDC_OPEN_AFTER] = false;
  saveWithYes("in", "r2.txt");
  EXPECT_TRUE(test::exists(dir / "r2.txt"));
}

TEST_F(MainDialogControllerTest, HiddenBoxEnablesAndClearsTheAllBox) {
  view.checks[IDC_INCLUDE_HIDDEN] = true;
  controller.command(IDC_INCLUDE_HIDDEN);
  EXPECT_TRUE(view.isEnabled(IDC_INCLUDE_ALL));
  view.checks[IDC_INCLUDE_ALL] = true;
  view.checks[IDC_INCLUDE_HIDDEN] = false;
  controller.command(IDC_INCLUDE_HIDDEN);
  EXPECT_FALSE(view.isEnabled(IDC_INCLUDE_ALL));
  EXPECT_FALSE(view.checks[IDC_INCLUDE_ALL]);
  view.checks[IDC_INCLUDE_HIDDEN] = true;
  controller.command(IDC_INCLUDE_HIDDEN);
  EXPECT_TRUE(view.isEnabled(IDC_INCLUDE_ALL));
  EXPECT_FALSE(view.checks[IDC_INCLUDE_ALL]);
}

TEST_F(MainDialogControllerTest, FolderPickerRemembersTheLastChoiceNotTheField) {
  view.texts[IDC_DIRECTORY] = "typed";
  view.folderAnswers = {dir / "in"};
  controller.command(IDC_BROWSE_DIRECTORY);
  EXPECT_EQ(view.texts[IDC_DIRECTORY], dir / "in");
  controller.command(IDC_BROWSE_DIRECTORY);  // cancelled
  view.folderAnswers = {dir / "in/sub"};
  controller.command(IDC_BROWSE_DIRECTORY);
  ASSERT_EQ(view.folderRequests.size(), 3u);
  EXPECT_EQ(view.folderRequests[0].first, "ディレクトリを選択してください。");
  EXPECT_EQ(view.folderRequests[0].second, "(none)");
  EXPECT_EQ(view.folderRequests[1].second, dir / "in");
  EXPECT_EQ(view.folderRequests[2].second, dir / "in");
  EXPECT_EQ(app.lastFolder().shown(), (dir / "in/sub").c_str());
}

TEST_F(MainDialogControllerTest, SavePickerOffersTextFilesFirstAndFillsTheField) {
  view.texts[IDC_OUTPUT_FILE] = "typed.txt";
  controller.command(IDC_BROWSE_OUTPUT);
  EXPECT_EQ(view.texts[IDC_OUTPUT_FILE], "typed.txt") << "cancel changes nothing";
  view.saveAnswer = dir / "chosen.txt";
  controller.command(IDC_BROWSE_OUTPUT);
  EXPECT_EQ(view.texts[IDC_OUTPUT_FILE], dir / "chosen.txt");
  EXPECT_EQ(view.lastFilters, 2u);
  EXPECT_EQ(view.lastExtension, "txt");
  EXPECT_EQ(view.lastFlags, SaveFileDialog::OVERWRITE_PROMPT | SaveFileDialog::HIDE_READONLY);
}

TEST(SaveFileDialog, SplitsTheFilterListAndRefusesSmallBuffers) {
  SaveFileDialog dialog(nullptr, 6, 260);
  dialog.setFilter("Text (*.txt)\0*.txt\0All (*.*)\0*.*\0");
  ASSERT_EQ(dialog.filters().size(), 2u);
  EXPECT_EQ(dialog.filters()[1].first, "All (*.*)");
  EXPECT_EQ(dialog.filters()[1].second, "*.*");
  bool asked = false;
  SaveFileDialog small(nullptr, 6, 259);
  EXPECT_FALSE(small.show([&](const SaveFileDialog&, Path&) { return asked = true; }));
  EXPECT_FALSE(asked);
}

}  // namespace
}  // namespace qv
