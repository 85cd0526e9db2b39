#include "ui/save_file_dialog.h"

#include <cstring>

namespace qv {

namespace {

constexpr unsigned MIN_BUFFER_SIZE = 260;

}  // namespace

SaveFileDialog::SaveFileDialog(WindowHandle owner, unsigned flags, unsigned bufferSize)
    : owner_(owner), flags_(flags), bufferSize_(bufferSize) {}

void SaveFileDialog::setFilter(const char* list) {
  filters_.clear();
  if (list == nullptr) return;
  while (*list != '\0') {
    const char* pattern = list + std::strlen(list) + 1;
    if (*pattern == '\0') break;
    filters_.emplace_back(String(list), String(pattern));
    list = pattern + std::strlen(pattern) + 1;
  }
}

void SaveFileDialog::setDefaultExtension(const char* text) {
  defaultExtension_ = text != nullptr ? text : "";
}

bool SaveFileDialog::show(const Picker& picker) {
  if (bufferSize_ < MIN_BUFFER_SIZE || !picker) return false;
  Path chosen;
  if (!picker(*this, chosen)) return false;
  // The platform's buffer holds bufferSize - 1 characters and the zero.
  int length = chosen.shown().length();
  if (length == 0 || length >= static_cast<int>(bufferSize_)) return false;
  fileName_ = chosen;
  return true;
}

}  // namespace qv
