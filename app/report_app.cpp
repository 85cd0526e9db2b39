#include "app/report_app.h"

#include "app/progress_line.h"
#include "report/report_writer.h"
#include "ui/dialog_mode.h"

namespace qv {

ReportApp* theApplication = nullptr;

namespace {

const char* const CHOOSE_FOLDER_TITLE = "ディレクトリを選択してください。";

}  // namespace

ReportApp::ReportApp() {
  setName("Quorvel");
  setVersion("1.10");
}

int ReportApp::run(const StringList& arguments) {
  ReportWriter writer;
  if (arguments.count() <= 0) return runDialogMode(*this);
  try {
    ProgressLine progress;
    writer.onProgress = [&writer, &progress](const WalkCounts& counts, const String& directory) {
      if (!writer.options.silentErrors && !writer.options.standardOutput) {
        progress.update(counts, directory);
      }
    };
    String problem;
    int result = writer.runCommandLine(arguments, &problem);
    progress.erase();
    if (result == 1) {
      if (problem.length() > 0) {
        showWarning(nullptr, problem.cStr());
      } else {
        Exception invalid(CODE_INVALID_PARAMETER);
        reportError(&invalid);
      }
      return 1;
    }
    return result;
  } catch (const Exception& exception) {
    if (exception.code() == LAUNCH_FAILED) {
      messageBox(nullptr, LAUNCH_FAILED_TEXT, BOX_WARNING);
    } else {
      reportError(&exception);
    }
    return 2;
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
