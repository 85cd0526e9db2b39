// The dialog mode of the program: the main dialog, shown until the user
// closes it. Each toolkit build provides it; a build without one says so.
#pragma once

namespace qv {

class ReportApp;

// Shows the main dialog of app and returns when it is closed: 0, or 15 when
// the dialog cannot be shown (no display, or the toolkit fails to start).
int runDialogMode(ReportApp& app);

// The exit status when the dialog cannot be shown.
constexpr int STATUS_NO_DIALOG = 15;

}  // namespace qv
