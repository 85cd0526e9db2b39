// The About box: the icon, the name with the version and the copyright line,
// from template IDD_ABOUT. The main dialog opens it modal to itself and hands
// it the host whose name, version and copyright line it shows; it owns
// nothing.
#pragma once

#include <windows.h>

namespace qv {

// The dialog procedure of template IDD_ABOUT: fills the two texts when it
// starts, from the DialogHost that lParam of WM_INITDIALOG points to, and
// ends the box with OK (1) or cancel (2, Esc and the close box).
INT_PTR CALLBACK aboutDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qv
