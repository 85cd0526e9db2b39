// The Windows program's main dialog: the modeless dialog of template
// IDD_MAIN, its procedure and the thread's message loop around it. What the
// dialog does is MainDialogController's; this part gives the controller a
// DialogView over the dialog's window and adds what only a Win32 window has:
// the caption, the system-menu item, the icons, the save button's image and
// the About box. The dialog window owns its controller and view from
// WM_INITDIALOG until WM_NCDESTROY; the host it is made for must outlive
// it.
#pragma once

#include <windows.h>

#include "base/error.h"
#include "ui/dialog_host.h"
#include "ui/folder_browser.h"
#include "ui/save_file_dialog.h"

namespace qv {

// What a test puts in place of the platform's message boxes and pickers; an
// empty member, or none at all, leaves the platform's own.
struct MainDialogSeams {
  Exception::BoxFunction box;
  FolderBrowser::Picker folderPicker;
  SaveFileDialog::Picker saveFilePicker;
};

// Creates the main dialog of host from host's resources, modeless and without
// owner; null when it cannot be created. The seams, when given, must outlive
// the dialog.
HWND createMainDialog(DialogHost& host, const MainDialogSeams* seams = nullptr);

// Runs the thread's messages, offering each to the dialog first, until the
// quit message; returns its exit code.
int runMessageLoop(HWND dialog);

}  // namespace qv
