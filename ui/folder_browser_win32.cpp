// The shell's folder dialog behind FolderBrowser on Windows.
#include <windows.h>

#include <shlobj.h>

#include <string>

#include "base/platform_win32.h"
#include "ui/win32/shell_pickers.h"

namespace qv {

BROWSEINFOW folderDialogRecord(HWND owner, const wchar_t* title, const wchar_t* initialFolder,
                               PCIDLIST_ABSOLUTE root) {
  BROWSEINFOW info = {};
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
    SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  }
  return 0;
}

bool browseForFolder(HWND owner, const char* title, const Path* initialFolder, Path& path) {
  std::wstring wideTitle = win32::widen(title);
  BROWSEINFOW info = folderDialogRecord(
      owner, wideTitle.c_str(),
      initialFolder != nullptr ? initialFolder->native().c_str() : nullptr, nullptr);
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (chosen == nullptr) return false;
  // A folder's path may be longer than MAX_PATH.
  std::wstring buffer(32768, L'\0');
  bool converted = SHGetPathFromIDListEx(chosen, buffer.data(), static_cast<DWORD>(buffer.size()),
                                         GPFIDL_DEFAULT) != FALSE;
  CoTaskMemFree(chosen);
  if (!converted) return false;
  buffer.resize(buffer.find(L'\0'));
  path = Path::fromNative(std::move(buffer));
  return true;
}

}  // namespace qv
