// The dialog mode of a build without a dialog toolkit.
#include "ui/dialog_host.h"
#include "ui/dialog_mode.h"

namespace qv {

int runDialogMode(DialogHost& host) {
  host.showWarning(nullptr,
                   "このビルドにはダイアログがありません。オプションを付けて実行してください"
                   "（例: quorvel in ディレクトリ out 出力ファイル s t）。");
  return STATUS_NO_DIALOG;
}

}  // namespace qv
