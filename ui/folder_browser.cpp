#include "ui/folder_browser.h"

namespace qv {

bool FolderBrowser::browse(WindowHandle owner, const char* title, const char* initialFolder) {
  if (!picker_) return false;
  String chosen;
  if (!picker_(owner, title, initialFolder, chosen) || chosen.length() == 0) return false;
  path_ = chosen;
  return true;
}

}  // namespace qv
