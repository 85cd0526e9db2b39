#include "app/report_app.h"

#include "app/command_line.h"
#include "app/version.h"
#include "report/report_writer.h"
#include "ui/dialog_mode.h"

namespace qv {

const char* const COPYRIGHT_LINE = QUORVEL_COPYRIGHT_LINE;

namespace {

const char* const CHOOSE_FOLDER_TITLE = "ディレクトリを選択してください。";

}  // namespace

ReportApp::ReportApp() {
  setName("Quorvel");
  setVersion(QUORVEL_VERSION);
}

int ReportApp::run(const StringList& arguments) {
  ReportWriter writer;
  if (arguments.count() <= 0) return runDialogMode(*this);
  try {
    RunResult result = runCommandLine(writer, arguments);
    if (result == RunResult::NOT_AN_OPTION) {
      Exception invalid(CODE_INVALID_PARAMETER);
      reportError(&invalid);
    }
    return static_cast<int>(result);
  } catch (const Exception& exception) {
    if (exception.code() == LAUNCH_FAILED) {
      messageBox(nullptr, LAUNCH_FAILED_TEXT, BOX_WARNING);
    } else {
      reportError(&exception);
    }
    return static_cast<int>(RunResult::FAILED);
  }
}

bool ReportApp::chooseFolder(WindowHandle owner, String& chosen) {
  chosen = "";
  const char* initialFolder = lastFolder_.length() > 0 ? lastFolder_.cStr() : nullptr;
  if (!folderBrowser_.browse(owner, CHOOSE_FOLDER_TITLE, initialFolder)) return false;
  lastFolder_ = folderBrowser_.path();
  chosen = lastFolder_;
  return true;
}

}  // namespace qv
