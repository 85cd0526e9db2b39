// Application is the program's one application object, owned by the entry
// operation and handed to whatever needs it: it knows the module's instance
// handle, carries the application's name and version, and shows message
// boxes and errors with the name as their caption. It is the host of the
// dialogs (ui/dialog_host.h) for all of that; the concrete application
// derives from it, adds the rest of the host and implements run().
#pragma once

#include <vector>

#include "base/error.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/string.h"
#include "ui/dialog_host.h"

namespace qv {

class Application : public DialogHost {
 public:
  Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  ~Application() override = default;

  const String& name() const override { return name_; }
  void setName(const String& text) { name_ = text; }
  const String& version() const override { return version_; }
  void setVersion(const String& text) { version_ = text; }
  ModuleHandle instanceHandle() const override { return instanceHandle_; }

  // The boxes as DialogHost describes them, captioned with the name.
  int showWarning(WindowHandle owner, const char* text) override;
  int messageBox(WindowHandle owner, const String& text, unsigned style) override;
  void reportError(WindowHandle owner, const Exception* exception) override;
  void reportError(const Exception* exception) { reportError(nullptr, exception); }

  // Runs the program with its arguments (program name excluded), each as
  // given and as text, and returns the process exit status.
  virtual int run(const std::vector<Path>& arguments) = 0;

  // Replaces the platform's message box for every box this application shows,
  // so that a test can read and answer them.
  void setBoxFunction(Exception::BoxFunction box) override { box_ = std::move(box); }

 private:
  String name_;
  String version_;
  ModuleHandle instanceHandle_;
  Exception::BoxFunction box_;
};

}  // namespace qv
