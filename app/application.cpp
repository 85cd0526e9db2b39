#include "app/application.h"

namespace qv {

Application::Application() : instanceHandle_(currentModule()), box_(showMessageBox) {}

int Application::showWarning(WindowHandle owner, const char* text) {
  try {
    return box_(owner, text, name_.cStr(), BOX_WARNING);
  } catch (...) {
    return 0;
  }
}

int Application::messageBox(WindowHandle owner, const String& text, unsigned style) {
  int result = box_(owner, text.cStr(), name_.cStr(), style);
  if (result == 0) throwLastError();
  return result;
}

void Application::reportError(WindowHandle owner, const Exception* exception) {
  if (exception == nullptr) return;
  try {
    exception->show(owner, name_.cStr(), box_);
  } catch (...) {
  }
}

}  // namespace qv
