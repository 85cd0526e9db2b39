// DialogView is what the main dialog's logic needs from a toolkit: the texts
// and check states of its controls by id, enabling and focusing them, message
// boxes, the wait cursor and the two pickers. Each toolkit's dialog is one
// view; the tests drive the logic through a scripted one.
#pragma once

#include "base/path.h"
#include "base/string.h"

namespace qv {

class SaveFileDialog;

class DialogView {
 public:
  virtual ~DialogView() = default;

  // The control's text, code page 932.
  virtual String itemText(int id) = 0;
  virtual void setItemText(int id, const String& text) = 0;
  // The path an edit control holds: the one setItemPath() or a picker put
  // there while the control still shows its text, else what was typed.
  virtual Path itemPath(int id) = 0;
  // Shows path's text and keeps path for itemPath() while that text stays.
  virtual void setItemPath(int id, const Path& path) = 0;
  // At most bytes of code page 932 (two for a double-byte character) can be
  // typed into the edit control.
  virtual void setTextLimit(int id, int bytes) = 0;
  // True only when the box is exactly checked.
  virtual bool isChecked(int id) = 0;
  virtual void setChecked(int id, bool checked) = 0;
  virtual void setEnabled(int id, bool enabled) = 0;
  virtual void setFocus(int id) = 0;

  // A box captioned caption with the style's icon and buttons (0x30 and 0x40:
  // OK; 0x24 and 0x34: Yes and No); returns the button pressed (1 OK, 6 Yes,
  // 7 No), or 0 when no box could be shown.
  virtual int showMessageBox(const char* text, const char* caption, unsigned style) = 0;

  virtual void setWaitCursor(bool waiting) = 0;

  // The folder picker: title above the tree, initialFolder preselected unless
  // null. True with folder set when the user chose one.
  virtual bool pickFolder(const char* title, const Path* initialFolder, Path& folder) = 0;

  // The save-file picker described by dialog. True with file set to the
  // chosen full path when the user confirmed one.
  virtual bool pickSaveFile(const SaveFileDialog& dialog, Path& file) = 0;
};

}  // namespace qv
