// The dialog mode of the program: the main dialog, shown until the user
// closes it. The Windows program shows its own Win32 dialog (ui/win32/); a
// build with a dialog module provides it by loading the module
// (dialog_module.h); a build without a dialog says so.
#pragma once

namespace qv {

class DialogHost;

// Shows the main dialog of host and returns when it is closed: 0, or 15 when
// the dialog cannot be shown (no display, no dialog module, or the toolkit
// fails to start).
int runDialogMode(DialogHost& host);

// The exit status when the dialog cannot be shown.
constexpr int STATUS_NO_DIALOG = 15;

}  // namespace qv
