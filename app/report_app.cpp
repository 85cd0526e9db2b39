#include "app/report_app.h"

#include "report/report_writer.h"

namespace qv {

ReportApp* theApplication = nullptr;

namespace {

constexpr int STATUS_NO_DIALOG = 15;

const char* const NO_DIALOG_TEXT =
    "このビルドにはダイアログがありません。オプションを付けて実行してください"
    "（例: quorvel in ディレクトリ/ out 出力ファイル.txt s t、詳しくは quorvel --help）。";

}  // namespace

ReportApp::ReportApp() {
  setName("Quorvel");
  setVersion("1.10");
}

int ReportApp::run(const StringList& arguments) {
  ReportWriter writer;
  if (arguments.count() <= 0) {
    showWarning(nullptr, NO_DIALOG_TEXT);
    return STATUS_NO_DIALOG;
  }
  try {
    int result = writer.runCommandLine(arguments);
    if (result == 1) {
      Exception invalid(CODE_INVALID_PARAMETER);
      reportError(&invalid);
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

}  // namespace qv
