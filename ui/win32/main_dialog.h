// The Windows program's main dialog: the modeless dialog of template
// IDD_MAIN, its procedure and the thread's message loop around it. What the
// dialog does is MainDialogController's; this part gives the controller a
// DialogView over the dialog's window and adds what only a Win32 window has:
// the caption, the system-menu item, the icons, the save button's image and
// the About box. The dialog window owns its controller and view from
// WM_INITDIALOG until WM_NCDESTROY, and reaches the application through
// theApplication.
#pragma once

#include <windows.h>

#include "base/error.h"
#include "ui/folder_browser.h"
#include "ui/save_file_dialog.h"

namespace qv {

// What a test puts in place of the platform's message boxes and pickers,
// handed over as the dialog's creation parameter; an empty member, or no
// parameter at all, leaves the platform's own.
struct MainDialogSeams {
  Exception::BoxFunction box;
  FolderBrowser::Picker folderPicker;
  SaveFileDialog::Picker saveFilePicker;
};

// The dialog procedure of template IDD_MAIN. lParam of WM_INITDIALOG is null
// or points to MainDialogSeams, which must outlive the dialog.
INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the main dialog, modeless and without owner; null when it cannot
// be created.
HWND createMainDialog(HINSTANCE instance, const MainDialogSeams* seams = nullptr);

// Runs the thread's messages, offering each to the dialog first, until the
// quit message; returns its exit code.
int runMessageLoop(HWND dialog);

}  // namespace qv
