#include "ui/win32/about_dialog.h"

#include "ui/dialog_host.h"
#include "ui/resource_ids.h"

namespace qv {

INT_PTR CALLBACK aboutDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(window, IDC_VERSION, "");
      SetDlgItemTextA(window, IDC_COPYRIGHT, "");
      try {
        const auto& host = *reinterpret_cast<const DialogHost*>(lParam);
        String line = host.name() + " Version " + host.version();
        SetDlgItemTextA(window, IDC_VERSION, line.cStr());
        SetDlgItemTextA(window, IDC_COPYRIGHT, host.copyrightLine());
      } catch (...) {
        // The box opens with the texts set so far.
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace qv
