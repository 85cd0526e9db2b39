// The About box: the icon, the name with the version and the copyright line,
// from template IDD_ABOUT. The main dialog opens it modal to itself; it
// reads the name and version of theApplication and owns nothing.
#pragma once

#include <windows.h>

namespace qv {

// The copyright line of the About box.
extern const char* const COPYRIGHT_LINE;

// The dialog procedure of template IDD_ABOUT: fills the two texts when it
// starts and ends the box with OK (1) or cancel (2, Esc and the close box).
INT_PTR CALLBACK aboutDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qv
