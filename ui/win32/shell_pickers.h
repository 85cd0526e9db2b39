// The Windows pickers behind FolderBrowser and SaveFileDialog: the shell's
// folder dialog (SHBrowseForFolderW) and the common save-file dialog
// (GetSaveFileNameW). Both return the path wide, so that a folder or file
// whose name has no code page 932 form is the one used; the texts they show
// come from the program's CP932. SaveFileRecord owns the process-heap
// buffers and the OPENFILENAMEW record of one use of the save-file dialog;
// the folder dialog needs COM initialised on the calling thread.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "base/path.h"
#include "base/string.h"
#include "ui/save_file_dialog.h"

namespace qv {

// The BROWSEINFOW record of a folder dialog: title (UTF-16, owned by the
// caller) above the tree, only file-system folders, and browseCallback
// preselecting initialFolder (a wide path) when it is not null.
BROWSEINFOW folderDialogRecord(HWND owner, const wchar_t* title, const wchar_t* initialFolder,
                               PCIDLIST_ABSOLUTE root);

// Selects the folder data (a wide path) when the dialog has started;
// returns 0.
int CALLBACK browseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

// Shows the folder dialog. True with path set to the chosen folder; false
// when the user cancelled or the folder has no file-system path.
bool browseForFolder(HWND owner, const char* title, const Path* initialFolder, Path& path);

// One block from the process heap, zero-filled; freed on destruction.
class HeapBlock {
 public:
  HeapBlock() = default;
  ~HeapBlock() { release(); }
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;

  // Frees the old block and takes a new one of count wide characters;
  // false, with no block, when there is not enough memory.
  bool allocate(size_t count);
  void release();
  wchar_t* data() const { return data_; }

 private:
  wchar_t* data_ = nullptr;
};

class SaveFileRecord {
 public:
  // The record of dialog: its owner and flags, two buffers of its buffer
  // size (none below 260), its filter pairs as one NUL-separated block and
  // its default extension.
  explicit SaveFileRecord(const SaveFileDialog& dialog);
  virtual ~SaveFileRecord() = default;
  SaveFileRecord(const SaveFileRecord&) = delete;
  SaveFileRecord& operator=(const SaveFileRecord&) = delete;

  // True when the user confirmed a name; false when cancelled, when the
  // dialog failed, or without buffers.
  bool show();

  const OPENFILENAMEW& record() const { return record_; }
  // The chosen full path, after show() returned true.
  const wchar_t* fileName() const { return fileBuffer_.data(); }

 private:
  HeapBlock fileBuffer_;
  HeapBlock titleBuffer_;
  HeapBlock filter_;
  HeapBlock defaultExtension_;
  OPENFILENAMEW record_;
};

// A SaveFileDialog's picker: the common save-file dialog.
bool showSaveFileDialog(const SaveFileDialog& dialog, Path& file);

}  // namespace qv
