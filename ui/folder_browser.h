// FolderBrowser lets the user choose a folder. It keeps the folder last
// returned, and asks the picker it has been given (the dialog's own, while the
// dialog is open); without one it never chooses anything. ReportApp holds one
// for the life of the process.
#pragma once

#include <functional>

#include "base/path.h"
#include "base/platform.h"

namespace qv {

class FolderBrowser {
 public:
  // Shows a folder chooser owned by owner with title above it and
  // initialFolder (or nothing, when null) preselected; true with path set.
  using Picker = std::function<bool(WindowHandle owner, const char* title,
                                    const Path* initialFolder, Path& path)>;

  FolderBrowser() = default;
  virtual ~FolderBrowser() = default;

  void setPicker(Picker picker) { picker_ = std::move(picker); }

  // True when the user chose a folder; path() then holds it. False when the
  // user cancelled or there is no picker; path() keeps its old text.
  bool browse(WindowHandle owner, const char* title, const Path* initialFolder);

  const Path& path() const { return path_; }

 private:
  Path path_;
  Picker picker_;
};

}  // namespace qv
