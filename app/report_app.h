// ReportApp is the concrete application: it fixes the name "Quorvel" and the
// project's version and runs the program in one of its two modes, the main dialog
// when there are no arguments and a single command-line run otherwise. It
// owns the folder browser of the dialog and remembers the folder chosen last.
// The entry operation owns the one object; the dialogs are handed it as
// their DialogHost.
#pragma once

#include "app/application.h"
#include "app/progress_line.h"
#include "report/report_writer.h"
#include "ui/dialog_host.h"
#include "ui/folder_browser.h"

namespace qv {

class ReportApp : public Application {
 public:
  ReportApp();

  // Without arguments: the main dialog; 0 when it is closed, 15 when it
  // cannot be shown. Otherwise the command line: 0 when the report was
  // written (with a warning on standard error for directories that could not
  // be read), 1 for an argument that is not an option (named in the message),
  // 2 when a value is missing or the report failed, memory running out
  // included (shown, naming argument and path, unless "ne" was given).
  int run(const std::vector<Path>& arguments) override;

  const char* copyrightLine() const override;
  bool chooseFolder(WindowHandle owner, Path& chosen) override;
  FolderBrowser& folderBrowser() override { return folderBrowser_; }

  // How the command line's progress line is paced; the program keeps the
  // default, a test sets a short one.
  void setProgressPace(ProgressPace pace) { progressPace_ = pace; }

  const Path& lastFolder() const { return lastFolder_; }

 private:
  void reportCommandLineError(const Exception& exception);
  void warnUnreadable(const UnreadableDirectories& unreadable);

  FolderBrowser folderBrowser_;
  Path lastFolder_;
  ProgressPace progressPace_;
};

}  // namespace qv
