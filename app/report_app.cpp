#include "app/report_app.h"

#include <new>
#include <string>

#include "report/report_writer.h"
#include "ui/dialog_mode.h"

namespace qv {

ReportApp* theApplication = nullptr;

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
  setVersion("1.10");
}

int ReportApp::run(const StringList& arguments) {
  ReportWriter writer;
  if (arguments.count() <= 0) return runDialogMode(*this);
  try {
    String unknown;
    int result = writer.runCommandLine(arguments, &unknown);
    if (result == 1) {
      showWarning(nullptr, (UNKNOWN_OPTION + unknown).cStr());
      return 1;
    }
    if (result == 0 && !writer.options.silentErrors) warnUnreadable(writer.unreadable);
    return result;
  } catch (const Exception& exception) {
    reportCommandLineError(exception);
    return 2;
  } catch (const std::bad_alloc&) {
    reportCommandLineError(Exception(CODE_NOT_ENOUGH_MEMORY));
    return 2;
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

bool ReportApp::chooseFolder(WindowHandle owner, String& chosen) {
  chosen = "";
  const char* initialFolder = lastFolder_.length() > 0 ? lastFolder_.cStr() : nullptr;
  if (!folderBrowser_.browse(owner, CHOOSE_FOLDER_TITLE, initialFolder)) return false;
  lastFolder_ = folderBrowser_.path();
  chosen = lastFolder_;
  return true;
}

}  // namespace qv
