// The dialog mode of a build without a dialog toolkit.
#include "app/report_app.h"
#include "ui/dialog_mode.h"

namespace qv {

int runDialogMode(ReportApp& app) {
  app.showWarning(nullptr,
                  "このビルドにはダイアログがありません。オプションを付けて実行してください"
                  "（例: quorvel in ディレクトリ out 出力ファイル s t）。");
  return STATUS_NO_DIALOG;
}

}  // namespace qv
