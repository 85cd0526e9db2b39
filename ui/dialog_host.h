// DialogHost is what the dialogs need of the program they belong to: its
// name, version and copyright line for captions and the About box, the
// module their resources come from, its message boxes (which an open dialog
// routes to itself) and the folder picker that remembers the folder chosen
// last. The application implements it; the dialogs borrow it for as long as
// they live and own nothing of it. It lets the ui layer call up into the
// application without depending on it.
#pragma once

#include "base/error.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/string.h"
#include "ui/folder_browser.h"

namespace qv {

class DialogHost {
 public:
  virtual ~DialogHost() = default;

  // The program's name, the caption of its dialogs and boxes, and its
  // version.
  virtual const String& name() const = 0;
  virtual const String& version() const = 0;

  // The short copyright line of the About boxes.
  virtual const char* copyrightLine() const = 0;

  // The module whose resources the dialogs are made from.
  virtual ModuleHandle instanceHandle() const = 0;

  // A warning box (style 0x30) with text; returns the box's result. Never
  // throws.
  virtual int showWarning(WindowHandle owner, const char* text) = 0;

  // A box with text and style; returns the button pressed. Throws Exception
  // with the last error when the box cannot be shown.
  virtual int messageBox(WindowHandle owner, const String& text, unsigned style) = 0;

  // Shows the exception's system text in a warning box, or nothing when it
  // has none or exception is null. Never throws; never deletes the
  // exception.
  virtual void reportError(WindowHandle owner, const Exception* exception) = 0;

  // Replaces the function that shows every box above; showMessageBox puts
  // the platform's back.
  virtual void setBoxFunction(Exception::BoxFunction box) = 0;

  // Lets the user choose a folder, the one chosen last preselected. True
  // with chosen (emptied first) and the remembered folder set when one was
  // chosen.
  virtual bool chooseFolder(WindowHandle owner, Path& chosen) = 0;

  // The browser chooseFolder asks; a dialog gives it its own picker while it
  // is open.
  virtual FolderBrowser& folderBrowser() = 0;
};

}  // namespace qv
