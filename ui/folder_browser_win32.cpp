// The shell's folder dialog behind FolderBrowser on Windows.
#include <windows.h>

#include <shlobj.h>

#include "ui/win32/shell_pickers.h"

namespace qv {

BROWSEINFOA folderDialogRecord(HWND owner, const char* title, const char* initialFolder,
                               PCIDLIST_ABSOLUTE root) {
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pidlRoot = root;
  info.pszDisplayName = nullptr;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  if (initialFolder != nullptr) {
    info.lpfn = browseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder);
  }
  return info;
}

int CALLBACK browseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) {
    SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  }
  return 0;
}

bool browseForFolder(HWND owner, const char* title, const char* initialFolder, String& path) {
  BROWSEINFOA info = folderDialogRecord(owner, title, initialFolder, nullptr);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
  if (chosen == nullptr) return false;
  char buffer[MAX_PATH] = {};
  bool converted = SHGetPathFromIDListA(chosen, buffer) != FALSE;
  CoTaskMemFree(chosen);
  if (converted) path = buffer;
  return converted;
}

}  // namespace qv
