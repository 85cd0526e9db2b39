// The common save-file dialog behind SaveFileDialog on Windows.
#include <windows.h>

#include <commdlg.h>

#include <cstring>
#include <initializer_list>

#include "ui/win32/shell_pickers.h"

namespace qv {

namespace {

constexpr unsigned MIN_BUFFER_SIZE = 260;

}  // namespace

bool HeapBlock::allocate(size_t size) {
  release();
  data_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
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
  record_.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  record_.hwndOwner = static_cast<HWND>(dialog.owner());
  record_.lpstrFile = fileBuffer_.data();
  record_.nMaxFile = size;
  record_.lpstrFileTitle = titleBuffer_.data();
  record_.nMaxFileTitle = size;
  record_.Flags = dialog.flags();

  size_t filterSize = 0;
  for (const auto& pair : dialog.filters()) {
    filterSize += static_cast<size_t>(pair.first.length() + 1 + pair.second.length() + 1);
  }
  if (filterSize > 0) {
    if (filter_.allocate(filterSize + 1)) {
      char* at = filter_.data();
      for (const auto& pair : dialog.filters()) {
        for (const String* text : {&pair.first, &pair.second}) {
          std::memcpy(at, text->cStr(), static_cast<size_t>(text->length()) + 1);
          at += text->length() + 1;
        }
      }
      record_.lpstrFilter = filter_.data();
    }
  }
  const String& extension = dialog.defaultExtension();
  if (extension.length() > 0) {
    size_t bytes = static_cast<size_t>(extension.length()) + 1;
    if (defaultExtension_.allocate(bytes)) {
      std::memcpy(defaultExtension_.data(), extension.cStr(), bytes);
      record_.lpstrDefExt = defaultExtension_.data();
    }
  }
}

bool SaveFileRecord::show() {
  if (fileBuffer_.data() == nullptr) return false;
  return GetSaveFileNameA(&record_) != FALSE;
}

bool showSaveFileDialog(const SaveFileDialog& dialog, String& file) {
  SaveFileRecord record(dialog);
  if (!record.show()) return false;
  file = record.fileName();
  return true;
}

}  // namespace qv
