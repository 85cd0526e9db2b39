// Application is the program's one application object, owned by the entry
// operation and handed to whatever needs it: it knows the module's instance handle, carries the
// application's name and version, and shows message boxes and errors with the
// name as their caption. The concrete application derives from it and
// implements run().
#pragma once

#include <vector>

#include "base/error.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/string.h"

namespace qv {

class Application {
 public:
  Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  virtual ~Application() = default;

  const String& name() const { return name_; }
  void setName(const String& text) { name_ = text; }
  const String& version() const { return version_; }
  void setVersion(const String& text) { version_ = text; }
  ModuleHandle instanceHandle() const { return instanceHandle_; }

  // A warning box (style 0x30) with text; returns the box's result. Never
  // throws.
  int showWarning(WindowHandle owner, const char* text);

  // A box with text and style; returns the button pressed. Throws Exception
  // with the last error when the box cannot be shown.
  int messageBox(WindowHandle owner, const String& text, unsigned style);

  // Shows the exception's system text in a warning box, or nothing when it has
  // none or exception is null. Never throws; never deletes the exception.
  void reportError(WindowHandle owner, const Exception* exception);
  void reportError(const Exception* exception) { reportError(nullptr, exception); }

  // Runs the program with its arguments (program name excluded), each as
  // given and as text, and returns the process exit status.
  virtual int run(const std::vector<Path>& arguments) = 0;

  // Replaces the platform's message box for every box this application shows,
  // so that a test can read and answer them.
  void setBoxFunction(Exception::BoxFunction box) { box_ = std::move(box); }

 private:
  String name_;
  String version_;
  ModuleHandle instanceHandle_;
  Exception::BoxFunction box_;
};

}  // namespace qv
