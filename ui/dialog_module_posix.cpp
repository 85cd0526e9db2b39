// runDialogMode() of a build whose dialog is a module: the module is looked
// for where it is installed relative to the program (DIALOG_MODULE_PATH, a
// path relative to the program's directory) and then beside the program,
// where the build tree puts it.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <string>

#include "base/platform.h"
#include "base/platform_posix.h"
#include "ui/dialog_host.h"
#include "ui/dialog_mode.h"
#include "ui/dialog_module.h"

namespace qv {

namespace {

const char* const MODULE_NAME = "quorvel-dialog.so";

// One loaded module. RTLD_NODELETE keeps the toolkit mapped after close:
// its libraries register exit handlers, and leak reports at exit still name
// them.
class DialogModule {
 public:
  DialogModule() = default;
  DialogModule(const DialogModule&) = delete;
  DialogModule& operator=(const DialogModule&) = delete;
  ~DialogModule() { close(); }

  bool open(const std::string& path) {
    close();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    return handle_ != nullptr;
  }
  void close() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
  }
  DialogModuleEntry entry() const {
    return reinterpret_cast<DialogModuleEntry>(dlsym(handle_, DIALOG_MODULE_ENTRY));
  }

 private:
  void* handle_ = nullptr;
};

// The directory of the running program with its trailing '/', or "" when
// the system does not tell.
std::string programDirectory() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return "";
  std::string directory, name;
  if (!nativeFullPath(std::string(buffer, static_cast<size_t>(length)), directory, name)) return "";
  return directory;
}

bool fileExists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

std::string dlerrorText() {
  const char* text = dlerror();
  return text != nullptr ? text : "";
}

}  // namespace

int runDialogMode(DialogHost& host) {
  std::string directory = programDirectory();
  std::string path = directory + DIALOG_MODULE_PATH;
  if (!fileExists(path) && fileExists(directory + MODULE_NAME)) path = directory + MODULE_NAME;

  DialogModule module;
  std::string reason;
  DialogModuleEntry entry = nullptr;
  if (!module.open(path)) {
    reason = dlerrorText();
  } else if ((entry = module.entry()) == nullptr) {
    reason = dlerrorText();
  }
  if (entry == nullptr) {
    std::string detail;
    posix::toCp932(reason, detail);
    std::string text =
        "ダイアログのモジュールを読み込めません。オプションを付けて実行してください"
        "（詳しくは quorvel --help）。\n" +
        detail;
    host.showWarning(nullptr, text.c_str());
    return STATUS_NO_DIALOG;
  }
  return entry(host);
}

}  // namespace qv
