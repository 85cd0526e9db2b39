// The common save-file dialog behind SaveFileDialog on Windows.
#include <windows.h>

#include <commdlg.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "base/platform_win32.h"
#include "ui/win32/shell_pickers.h"

namespace qv {

namespace {

constexpr unsigned MIN_BUFFER_SIZE = 260;

}  // namespace

bool HeapBlock::allocate(size_t count) {
  release();
  data_ =
      static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(wchar_t)));
  return data_ != nullptr;
}

void HeapBlock::release() {
  if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
  data_ = nullptr;
}

SaveFileRecord::SaveFileRecord(const SaveFileDialog& dialog) : record_() {
  unsigned size = dialog.bufferSize();
  if (size < MIN_BUFFER_SIZE) return;
  if (!fileBuffer_.allocate(size) || !titleBuffer_.allocate(size)) {
    fileBuffer_.release();
    titleBuffer_.release();
    return;
  }

  // The size before the three fields that later versions of the record
  // appended (76 bytes in a 32-bit program), which every version accepts.
  record_.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  record_.hwndOwner = static_cast<HWND>(dialog.owner());
  record_.lpstrFile = fileBuffer_.data();
  record_.nMaxFile = size;
  record_.lpstrFileTitle = titleBuffer_.data();
  record_.nMaxFileTitle = size;
  record_.Flags = dialog.flags();

  // The filter pairs as one block, each text followed by its zero.
  std::wstring filter;
  for (const auto& pair : dialog.filters()) {
    for (const String* text : {&pair.first, &pair.second}) {
      filter += win32::widen(text->cStr());
      filter += L'\0';
    }
  }
  if (!filter.empty() && filter_.allocate(filter.size() + 1)) {
    std::memcpy(filter_.data(), filter.data(), filter.size() * sizeof(wchar_t));
    record_.lpstrFilter = filter_.data();
  }
  std::wstring extension = win32::widen(dialog.defaultExtension().cStr());
  if (!extension.empty() && defaultExtension_.allocate(extension.size() + 1)) {
    std::memcpy(defaultExtension_.data(), extension.data(), extension.size() * sizeof(wchar_t));
    record_.lpstrDefExt = defaultExtension_.data();
  }
}

bool SaveFileRecord::show() {
  if (fileBuffer_.data() == nullptr) return false;
  return GetSaveFileNameW(&record_) != FALSE;
}

bool showSaveFileDialog(const SaveFileDialog& dialog, Path& file) {
  SaveFileRecord record(dialog);
  if (!record.show()) return false;
  file = Path::fromNative(record.fileName());
  return true;
}

}  // namespace qv
