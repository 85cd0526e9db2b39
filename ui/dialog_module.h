// The dialog as a module that the program loads only when the dialog opens,
// so that a command-line run never maps the toolkit's libraries. The module
// exports one C function, named DIALOG_MODULE_ENTRY, that runs the dialog
// mode for the host it is given; it uses the program's own code (the
// program exports its symbols) and owns nothing that outlives the call.
// runDialogMode() of a build with a dialog module loads it and calls the
// entry; when the module cannot be loaded it says so and returns 15.
#pragma once

namespace qv {

class DialogHost;

// The module's entry: as runDialogMode().
using DialogModuleEntry = int (*)(DialogHost& host);
constexpr char DIALOG_MODULE_ENTRY[] = "quorvelDialogMain";

}  // namespace qv
