// SaveFileDialog describes one use of the save-file picker: its owner, its
// flags, the longest path it returns, the filter pairs (description and
// pattern, the first one active) and the extension appended to a name typed
// without one. show() hands it to a picker and keeps the chosen path.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "base/path.h"
#include "base/platform.h"
#include "base/string.h"

namespace qv {

class SaveFileDialog {
 public:
  static constexpr unsigned OVERWRITE_PROMPT = 0x2;  // ask before an existing file is chosen
  static constexpr unsigned HIDE_READONLY = 0x4;

  // Shows the dialog and sets file to the chosen full path; true when the
  // user confirmed one.
  using Picker = std::function<bool(const SaveFileDialog& dialog, Path& file)>;

  // A bufferSize below 260 makes a dialog that never shows.
  SaveFileDialog(WindowHandle owner, unsigned flags, unsigned bufferSize);
  virtual ~SaveFileDialog() = default;

  // list: NUL-separated description and pattern pairs, ended by an empty
  // string; null clears the filter.
  void setFilter(const char* list);
  // null clears the default extension.
  void setDefaultExtension(const char* text);

  // True when the user confirmed a name no longer than the buffer allows.
  bool show(const Picker& picker);

  WindowHandle owner() const { return owner_; }
  unsigned flags() const { return flags_; }
  unsigned bufferSize() const { return bufferSize_; }
  const std::vector<std::pair<String, String>>& filters() const { return filters_; }
  const String& defaultExtension() const { return defaultExtension_; }
  const Path& fileName() const { return fileName_; }

 private:
  WindowHandle owner_;
  unsigned flags_;
  unsigned bufferSize_;
  std::vector<std::pair<String, String>> filters_;
  String defaultExtension_;
  Path fileName_;
};

}  // namespace qv
