#include "ui/folder_browser.h"

namespace qv {

bool FolderBrowser::browse(WindowHandle owner, const char* title, const Path* initialFolder) {
  if (!picker_) return false;
  Path chosen;
  if (!picker_(owner, title, initialFolder, chosen) || chosen.shown().length() == 0) return false;
  path_ = chosen;
  return true;
}

}  // namespace qv
