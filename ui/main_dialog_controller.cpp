#include "ui/main_dialog_controller.h"

#include "base/error.h"
#include "base/path.h"
#include "report/report_writer.h"
#include "ui/resource_ids.h"
#include "ui/save_file_dialog.h"

namespace qv {

namespace {

constexpr int PATTERN_LIMIT = 30;

const char* const NO_DIRECTORY = "ディレクトリ名を指定してください。";
const char* const NO_SUCH_DIRECTORY = "指定されたディレクトリは存在しません。";
const char* const NO_FILE_NAME = "ファイル名を指定してください。";
const char* const ASK_OVERWRITE = "は既に存在します。\r\n上書きしますか？";
const char* const ASK_CREATE = "を作成します。\r\nよろしいですか？";
const char* const WRITTEN = "を出力しました。";

// The null-separated filter list of the save-file picker.
const char FILE_FILTER[] = "テキストファイル (*.txt)\0*.txt\0全てのファイル (*.*)\0*.*\0";

// The absolute form of path and its directory part (empty when the path ends
// in a separator); both empty when no absolute form can be made.
void absoluteForm(const String& path, String& absolute, String& directory) {
  absolute = "";
  String name;
  if (!splitAbsolute(path.cStr(), directory, name)) return;
  absolute = directory + name;
  if (name.length() == 0) directory = "";
}

// The last character, found by characters so that the second byte of a
// double-byte character is never taken for a separator.
bool endsWithSeparator(const String& text) {
  const char* p = text.cStr();
  const char* last = nullptr;
  for (; *p != '\0'; p = nextChar(p)) last = p;
  return last != nullptr && p - last == 1 && *last == PATH_SEPARATOR;
}

// Shows the wait cursor for as long as it lives.
class WaitCursor {
 public:
  explicit WaitCursor(DialogView& view) : view_(view) { view_.setWaitCursor(true); }
  ~WaitCursor() { view_.setWaitCursor(false); }

 private:
  DialogView& view_;
};

}  // namespace

MainDialogController::MainDialogController(ReportApp& app, DialogView& view, WindowHandle window)
    : app_(app), view_(view), window_(window) {
  app_.setBoxFunction([this](WindowHandle, const char* text, const char* caption, unsigned style) {
    return view_.showMessageBox(text, caption, style);
  });
  app_.folderBrowser().setPicker(
      [this](WindowHandle, const char* title, const char* initialFolder, String& path) {
        return view_.pickFolder(title, initialFolder, path);
      });
}

MainDialogController::~MainDialogController() {
  app_.setBoxFunction(showMessageBox);
  app_.folderBrowser().setPicker(nullptr);
}

void MainDialogController::initialize() {
  view_.setTextLimit(IDC_DIRECTORY, MAX_PATH_BYTES - 1);
  view_.setTextLimit(IDC_OUTPUT_FILE, MAX_PATH_BYTES - 1);
  view_.setTextLimit(IDC_PATTERN, PATTERN_LIMIT);
  view_.setChecked(IDC_MODE_TREE, true);
  view_.setChecked(IDC_OPEN_AFTER, true);
  view_.setItemText(IDC_PATTERN, "*.*");
  view_.setEnabled(IDC_INCLUDE_ALL, false);
}

void MainDialogController::command(int id) {
  try {
    switch (id) {
      case IDOK_SAVE:
        save();
        break;
      case IDC_BROWSE_DIRECTORY:
        chooseDirectory();
        break;
      case IDC_BROWSE_OUTPUT:
        chooseOutputFile();
        break;
      case IDC_INCLUDE_HIDDEN:
        coupleHiddenAndAll();
        break;
      default:
        break;
    }
  } catch (const Exception& exception) {
    try {
      if (exception.code() == LAUNCH_FAILED) {
        app_.messageBox(window_, LAUNCH_FAILED_TEXT, BOX_WARNING);
      } else {
        app_.reportError(window_, &exception);
      }
    } catch (...) {
      // A box that cannot be shown has nowhere else to go.
    }
  } catch (...) {
  }
}

void MainDialogController::save() {
  ReportWriter writer;

  String directory, unused;
  absoluteForm(view_.itemText(IDC_DIRECTORY), directory, unused);
  view_.setItemText(IDC_DIRECTORY, directory);

  String outputFile, outputDirectory;
  absoluteForm(view_.itemText(IDC_OUTPUT_FILE), outputFile, outputDirectory);
  view_.setItemText(IDC_OUTPUT_FILE, outputFile);

  String pattern = view_.itemText(IDC_PATTERN).left(PATTERN_LIMIT);
  if (pattern.length() == 0) pattern = "*.*";
  view_.setItemText(IDC_PATTERN, pattern);

  const char separator[] = {PATH_SEPARATOR, '\0'};
  if (directory.length() > 0 && !endsWithSeparator(directory)) directory += separator;

  if (!checkDirectory(directory, NO_DIRECTORY, IDC_DIRECTORY)) return;
  if (!checkDirectory(outputDirectory, NO_FILE_NAME, IDC_OUTPUT_FILE)) return;
  bool exists = true;
  try {
    fullPathOf(outputFile, true);
  } catch (const Exception&) {
    exists = false;
  }

  ReportOptions& options = writer.options;
  if (view_.isChecked(IDC_MODE_PATHS)) options.pathList = true;
  if (view_.isChecked(IDC_SHOW_SIZE)) options.showSize = true;
  if (view_.isChecked(IDC_SHOW_TIME)) options.showTime = true;
  if (view_.isChecked(IDC_SHOW_ATTRIBUTES)) options.showAttributes = true;
  if (view_.isChecked(IDC_FILE_URL)) options.fileUrl = true;
  if (view_.isChecked(IDC_INCLUDE_HIDDEN)) options.skipAttributes &= ~ATTRIBUTE_HIDDEN;
  if (view_.isChecked(IDC_INCLUDE_ALL)) {
    options.skipAttributes &= ~(ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM);
  }
  if (view_.isChecked(IDC_OPEN_AFTER)) options.openAfterCreate = true;

  bool generated = false;
  {
    // The cursor comes back also when the report fails.
    WaitCursor wait(view_);
    int answer = exists ? app_.messageBox(window_, outputFile + ASK_OVERWRITE, BOX_WARNING_YES_NO)
                        : app_.messageBox(window_, outputFile + ASK_CREATE, BOX_QUESTION_YES_NO);
    if (answer == BUTTON_YES) {
      writer.generate(outputFile, directory + pattern);
      generated = true;
    }
  }
  if (generated && !options.openAfterCreate) {
    app_.messageBox(window_, outputFile + WRITTEN, BOX_INFORMATION);
  }
}

bool MainDialogController::checkDirectory(const String& directory, const char* emptyText,
                                          int field) {
  const char* problem = nullptr;
  if (directory.length() == 0) {
    problem = emptyText;
  } else {
    try {
      directoryOf(directory, true);
    } catch (const Exception&) {
      problem = NO_SUCH_DIRECTORY;
    }
  }
  if (problem == nullptr) return true;
  app_.showWarning(window_, problem);
  view_.setFocus(field);
  return false;
}

void MainDialogController::coupleHiddenAndAll() {
  if (view_.isChecked(IDC_INCLUDE_HIDDEN)) {
    view_.setEnabled(IDC_INCLUDE_ALL, true);
  } else {
    view_.setChecked(IDC_INCLUDE_ALL, false);
    view_.setEnabled(IDC_INCLUDE_ALL, false);
  }
}

void MainDialogController::chooseDirectory() {
  String chosen;
  if (app_.chooseFolder(window_, chosen)) view_.setItemText(IDC_DIRECTORY, chosen);
}

void MainDialogController::chooseOutputFile() {
  SaveFileDialog dialog(window_, SaveFileDialog::OVERWRITE_PROMPT | SaveFileDialog::HIDE_READONLY,
                        static_cast<unsigned>(MAX_PATH_BYTES));
  dialog.setDefaultExtension("txt");
  dialog.setFilter(FILE_FILTER);
  if (dialog.show(
          [this](const SaveFileDialog& d, String& file) { return view_.pickSaveFile(d, file); })) {
    view_.setItemText(IDC_OUTPUT_FILE, dialog.fileName());
  }
}

}  // namespace qv
