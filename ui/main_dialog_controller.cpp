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

// path followed by more, shown and native.
Path joined(const Path& path, const Path& more) {
  return Path(path.shown() + more.shown(), path.native() + more.native());
}

// The absolute form of path and its directory part (empty when the path ends
// in a separator); both empty when no absolute form can be made.
void absoluteForm(const Path& path, Path& absolute, Path& directory) {
  absolute = Path();
  directory = Path();
  Path name;
  if (!splitFullPath(path, directory, name)) return;
  absolute = joined(directory, name);
  if (name.shown().length() == 0) directory = Path();
}

// True when the directory part of path's absolute form exists.
bool directoryExists(const Path& path) {
  Path directory, name;
  if (!splitFullPath(path, directory, name)) return false;
  // Less its trailing separator, unless that is all it is.
  const String& shown = directory.shown();
  const NativeString& native = directory.native();
  if (shown.length() <= 1 || native.size() <= 1) return pathExists(directory, true);
  return pathExists(Path(shown.left(shown.length() - 1), native.substr(0, native.size() - 1)),
                    true);
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

MainDialogController::MainDialogController(DialogHost& host, DialogView& view, WindowHandle window)
    : host_(host), view_(view), window_(window) {
  host_.setBoxFunction([this](WindowHandle, const char* text, const char* caption, unsigned style) {
    return view_.showMessageBox(text, caption, style);
  });
  host_.folderBrowser().setPicker(
      [this](WindowHandle, const char* title, const Path* initialFolder, Path& path) {
        return view_.pickFolder(title, initialFolder, path);
      });
}

MainDialogController::~MainDialogController() {
  host_.setBoxFunction(showMessageBox);
  host_.folderBrowser().setPicker(nullptr);
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
        host_.messageBox(window_, LAUNCH_FAILED_TEXT, BOX_WARNING);
      } else {
        host_.reportError(window_, &exception);
      }
    } catch (...) {
      // A box that cannot be shown has nowhere else to go.
    }
  } catch (...) {
  }
}

void MainDialogController::save() {
  ReportWriter writer;

  Path directory, unused;
  absoluteForm(view_.itemPath(IDC_DIRECTORY), directory, unused);
  view_.setItemPath(IDC_DIRECTORY, directory);

  Path outputFile, outputDirectory;
  absoluteForm(view_.itemPath(IDC_OUTPUT_FILE), outputFile, outputDirectory);
  view_.setItemPath(IDC_OUTPUT_FILE, outputFile);

  Path pattern = view_.itemPath(IDC_PATTERN);
  if (pattern.shown().length() > PATTERN_LIMIT) pattern = pattern.shown().left(PATTERN_LIMIT);
  if (pattern.shown().length() == 0) pattern = "*.*";
  view_.setItemPath(IDC_PATTERN, pattern);

  const char separator[] = {PATH_SEPARATOR, '\0'};
  if (directory.shown().length() > 0 && !endsWithSeparator(directory.shown())) {
    directory = joined(directory, Path(String(separator), NativeString(1, PATH_SEPARATOR)));
  }

  if (!checkDirectory(directory, NO_DIRECTORY, IDC_DIRECTORY)) return;
  if (!checkDirectory(outputDirectory, NO_FILE_NAME, IDC_OUTPUT_FILE)) return;
  bool exists = pathExists(outputFile, false);

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
    const String& shown = outputFile.shown();
    int answer = exists ? host_.messageBox(window_, shown + ASK_OVERWRITE, BOX_WARNING_YES_NO)
                        : host_.messageBox(window_, shown + ASK_CREATE, BOX_QUESTION_YES_NO);
    if (answer == BUTTON_YES) {
      writer.generate(outputFile, joined(directory, pattern));
      generated = true;
    }
  }
  if (generated && !options.openAfterCreate) {
    host_.messageBox(window_, outputFile.shown() + WRITTEN, BOX_INFORMATION);
  }
}

bool MainDialogController::checkDirectory(const Path& directory, const char* emptyText, int field) {
  const char* problem = nullptr;
  if (directory.shown().length() == 0) {
    problem = emptyText;
  } else if (!directoryExists(directory)) {
    problem = NO_SUCH_DIRECTORY;
  }
  if (problem == nullptr) return true;
  host_.showWarning(window_, problem);
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
  Path chosen;
  if (host_.chooseFolder(window_, chosen)) view_.setItemPath(IDC_DIRECTORY, chosen);
}

void MainDialogController::chooseOutputFile() {
  SaveFileDialog dialog(window_, SaveFileDialog::OVERWRITE_PROMPT | SaveFileDialog::HIDE_READONLY,
                        static_cast<unsigned>(MAX_PATH_BYTES));
  dialog.setDefaultExtension("txt");
  dialog.setFilter(FILE_FILTER);
  if (dialog.show(
          [this](const SaveFileDialog& d, Path& file) { return view_.pickSaveFile(d, file); })) {
    view_.setItemPath(IDC_OUTPUT_FILE, dialog.fileName());
  }
}

}  // namespace qv
