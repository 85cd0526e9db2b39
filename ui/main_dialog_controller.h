// MainDialogController is the logic of the main dialog, apart from any
// toolkit: its initial state, the save command with its checks and
// questions, the coupling of the hidden-files and all-files boxes and the
// glue to the two pickers. It reads and changes the dialog only through a
// DialogView, and while it lives it routes the host's message boxes
// and folder picker to that view. It borrows both the host and the view.
#pragma once

#include "ui/dialog_host.h"
#include "ui/dialog_view.h"

namespace qv {

class MainDialogController {
 public:
  // window is the dialog's own handle, the owner of its boxes and pickers.
  MainDialogController(DialogHost& host, DialogView& view, WindowHandle window);
  ~MainDialogController();
  MainDialogController(const MainDialogController&) = delete;
  MainDialogController& operator=(const MainDialogController&) = delete;

  // Sets the controls to their initial state.
  void initialize();

  // Carries out command id (the save button, a picker button, the hidden
  // box). Never throws: a failure is reported in a box and the dialog stays
  // as the command left it.
  void command(int id);

 private:
  void save();
  // False, after a warning with the focus on field, when directory is empty
  // (emptyText) or does not exist.
  bool checkDirectory(const Path& directory, const char* emptyText, int field);
  void coupleHiddenAndAll();
  void chooseDirectory();
  void chooseOutputFile();

  DialogHost& host_;
  DialogView& view_;
  WindowHandle window_;
};

}  // namespace qv
