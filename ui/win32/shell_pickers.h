// The Windows pickers behind FolderBrowser and SaveFileDialog: the shell's
// folder dialog (SHBrowseForFolderA) and the common save-file dialog
// (GetSaveFileNameA). SaveFileRecord owns the process-heap buffers and the
// OPENFILENAMEA record of one use of the save-file dialog; the folder
// dialog needs COM initialised on the calling thread.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include "base/string.h"
#include "ui/save_file_dialog.h"

namespace qv {

// The BROWSEINFOA record of a folder dialog: only file-system folders, and
// browseCallback preselecting initialFolder when it is not null.
BROWSEINFOA folderDialogRecord(HWND owner, const char* title, const char* initialFolder,
                               PCIDLIST_ABSOLUTE root);

// Selects the folder data (a path) when the dialog has started; returns 0.
int CALLBACK browseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

// Shows the folder dialog. True with path set to the chosen folder; false
// when the user cancelled or the folder has no file-system path.
bool browseForFolder(HWND owner, const char* title, const char* initialFolder, String& path);

// One block from the process heap, zero-filled; freed on destruction.
class HeapBlock {
 public:
  HeapBlock() = default;
  ~HeapBlock() { release(); }
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;

  // Frees the old block and takes a new one of size bytes; false, with no
  // block, when there is not enough memory.
  bool allocate(size_t size);
  void release();
  char* data() const { return data_; }

 private:
  char* data_ = nullptr;
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

  const OPENFILENAMEA& record() const { return record_; }
  // The chosen full path, after show() returned true.
  const char* fileName() const { return fileBuffer_.data(); }

 private:
  HeapBlock fileBuffer_;
  HeapBlock titleBuffer_;
  HeapBlock filter_;
  HeapBlock defaultExtension_;
  OPENFILENAMEA record_;
};

// A SaveFileDialog's picker: the common save-file dialog.
bool showSaveFileDialog(const SaveFileDialog& dialog, String& file);

}  // namespace qv
