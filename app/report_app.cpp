#include "app/report_app.h"

#include <new>
#include <string>

#include "app/command_line.h"
#include "app/progress_line.h"
#include "app/version.h"
#include "report/report_writer.h"
#include "ui/dialog_mode.h"

namespace qv {

namespace {

const char* const CHOOSE_FOLDER_TITLE = "ディレクトリを選択してください。";
const char* const UNKNOWN_OPTION = "不明なオプションです: ";
const char* const UNREADABLE_WARNING = "警告: 読み取れないディレクトリが ";
const char* const UNREADABLE_WARNING_END = " 個あり、一覧にはその中身がありません:\n";
const char* const UNREADABLE_MORE = "  ほか ";
const char* const UNREADABLE_MORE_END = " 個\n";

std::string withoutLineEnd(const char* text) {
  std::string result = text;
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
  return result;
}

}  // namespace

ReportApp::ReportApp() {
  setName("Quorvel");
  setVersion(QUORVEL_VERSION);
}

const char* ReportApp::copyrightLine() const {
  return QUORVEL_COPYRIGHT_LINE;
}

int ReportApp::run(const std::vector<Path>& arguments) {
  ReportWriter writer;
  if (arguments.empty()) return runDialogMode(*this);
  try {
    ProgressLine progress(progressPace_);
    writer.onProgress = [&writer, &progress](const WalkCounts& counts, const String& directory) {
      if (!writer.options.silentErrors && !writer.options.standardOutput) {
        progress.update(counts, directory);
      }
    };
    String unknown, problem;
    RunResult result = runCommandLine(writer, arguments, &unknown, &problem);
    progress.erase();
    if (result == RunResult::NOT_AN_OPTION) {
      showWarning(nullptr,
                  problem.length() > 0 ? problem.cStr() : (UNKNOWN_OPTION + unknown).cStr());
    } else if (result == RunResult::WRITTEN && !writer.options.silentErrors) {
      warnUnreadable(writer.unreadable);
    }
    return static_cast<int>(result);
  } catch (const Exception& exception) {
    reportCommandLineError(exception);
    return static_cast<int>(RunResult::FAILED);
  } catch (const std::bad_alloc&) {
    reportCommandLineError(Exception(CODE_NOT_ENOUGH_MEMORY));
    return static_cast<int>(RunResult::FAILED);
  }
}

void ReportApp::reportCommandLineError(const Exception& exception) {
  if (exception.code() == LAUNCH_FAILED) {
    showWarning(nullptr, LAUNCH_FAILED_TEXT);
  } else if (exception.subject().empty()) {
    reportError(&exception);
  } else if (exception.text() != nullptr) {
    showWarning(nullptr, (exception.subject() + ": " + withoutLineEnd(exception.text())).c_str());
  }
}

void ReportApp::warnUnreadable(const UnreadableDirectories& unreadable) {
  if (unreadable.count == 0) return;
  std::string text = name().cStr();
  text += ": ";
  text += UNREADABLE_WARNING + std::to_string(unreadable.count) + UNREADABLE_WARNING_END;
  for (const std::string& path : unreadable.first) text += "  " + path + "\n";
  if (unreadable.count > unreadable.first.size()) {
    text += UNREADABLE_MORE + std::to_string(unreadable.count - unreadable.first.size()) +
            UNREADABLE_MORE_END;
  }
  writeStandardError(text.c_str());
}

bool ReportApp::chooseFolder(WindowHandle owner, Path& chosen) {
  chosen = Path();
  const Path* initialFolder = lastFolder_.shown().length() > 0 ? &lastFolder_ : nullptr;
  if (!folderBrowser_.browse(owner, CHOOSE_FOLDER_TITLE, initialFolder)) return false;
  lastFolder_ = folderBrowser_.path();
  chosen = lastFolder_;
  return true;
}

}  // namespace qv
