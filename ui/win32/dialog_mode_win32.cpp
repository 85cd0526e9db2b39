// The dialog mode of the Windows program: the main dialog and its message
// loop, on a thread whose COM apartment the shell's folder dialog needs.
#include <windows.h>

#include <objbase.h>

#include "ui/dialog_host.h"
#include "ui/dialog_mode.h"
#include "ui/win32/main_dialog.h"

namespace qv {

namespace {

class ComApartment {
 public:
  ComApartment()
      : initialized_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ComApartment() {
    if (initialized_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

}  // namespace

int runDialogMode(DialogHost& host) {
  ComApartment apartment;
  HWND dialog = createMainDialog(host);
  if (dialog == nullptr) return STATUS_NO_DIALOG;
  return runMessageLoop(dialog);
}

}  // namespace qv
