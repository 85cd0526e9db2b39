#include "ui/win32/main_dialog.h"

#include <map>
#include <memory>
#include <vector>

#include "ui/main_dialog_controller.h"
#include "ui/resource_ids.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/save_button_image.h"
#include "ui/win32/shell_pickers.h"

namespace qv {

namespace {

const char ABOUT_ITEM[] = "バージョン情報(&A)...";

// The controls of the dialog window, as the controller sees them.
class Win32DialogView : public DialogView {
 public:
  Win32DialogView(HWND window, const MainDialogSeams* seams) : window_(window) {
    if (seams != nullptr) seams_ = *seams;
  }

  String itemText(int id) override {
    std::vector<char> buffer(static_cast<size_t>(MAX_PATH_BYTES));
    GetDlgItemTextA(window_, id, buffer.data(), MAX_PATH_BYTES);
    return String(buffer.data());
  }
  void setItemText(int id, const String& text) override {
    paths_.erase(id);
    SetDlgItemTextA(window_, id, text.cStr());
  }
  Path itemPath(int id) override {
    String text = itemText(id);
    auto kept = paths_.find(id);
    if (kept != paths_.end() && kept->second.shown() == text) return kept->second;
    return Path(text);
  }
  void setItemPath(int id, const Path& path) override {
    SetDlgItemTextA(window_, id, path.shown().cStr());
    paths_[id] = path;
  }
  void setTextLimit(int id, int characters) override {
    SendDlgItemMessageA(window_, id, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
  }
  bool isChecked(int id) override {
    return SendDlgItemMessageA(window_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void setChecked(int id, bool checked) override {
    SendDlgItemMessageA(window_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void setEnabled(int id, bool enabled) override { EnableWindow(GetDlgItem(window_, id), enabled); }
  void setFocus(int id) override { SetFocus(GetDlgItem(window_, id)); }

  int showMessageBox(const char* text, const char* caption, unsigned style) override {
    if (seams_.box) return seams_.box(window_, text, caption, style);
    return qv::showMessageBox(window_, text, caption, style);
  }

  void setWaitCursor(bool waiting) override {
    SetCursor(LoadCursorA(nullptr, waiting ? IDC_WAIT : IDC_ARROW));
  }

  bool pickFolder(const char* title, const Path* initialFolder, Path& folder) override {
    if (seams_.folderPicker) return seams_.folderPicker(window_, title, initialFolder, folder);
    return browseForFolder(window_, title, initialFolder, folder);
  }

  bool pickSaveFile(const SaveFileDialog& dialog, Path& file) override {
    if (seams_.saveFilePicker) return seams_.saveFilePicker(dialog, file);
    return showSaveFileDialog(dialog, file);
  }

 private:
  HWND window_;
  MainDialogSeams seams_;
  // The paths put into the fields, with their native forms: the fields
  // show code page 932, which may stand for several names.
  std::map<int, Path> paths_;
};

// What createMainDialog hands to WM_INITDIALOG.
struct MainDialogStart {
  DialogHost& host;
  const MainDialogSeams* seams;
};

// What the dialog window owns while it exists.
struct MainDialog {
  MainDialog(HWND window, DialogHost& host, const MainDialogSeams* seams)
      : host(host), view(window, seams), controller(host, view, window) {}

  DialogHost& host;
  Win32DialogView view;
  MainDialogController controller;
};

MainDialog* dialogOf(HWND window) {
  return reinterpret_cast<MainDialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HINSTANCE instanceOf(const DialogHost& host) {
  return static_cast<HINSTANCE>(host.instanceHandle());
}

void initialize(HWND window, const MainDialogStart& start) {
  DialogHost& host = start.host;
  SetWindowTextA(window, host.name().cStr());
  auto dialog = std::make_unique<MainDialog>(window, host, start.seams);
  dialog->controller.initialize();
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog.release()));

  HMENU menu = GetSystemMenu(window, FALSE);
  if (menu != nullptr) {
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUT, ABOUT_ITEM);
  }
  HICON icon = LoadIconA(instanceOf(host), MAKEINTRESOURCEA(IDI_MAIN));
  SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  updateSaveButtonImage(window, instanceOf(host));
}

void reportFailure(HWND window, const Exception& exception) {
  MainDialog* dialog = dialogOf(window);
  if (dialog == nullptr) return;
  try {
    if (exception.code() == LAUNCH_FAILED) {
      dialog->host.messageBox(window, LAUNCH_FAILED_TEXT, BOX_WARNING);
    } else {
      dialog->host.reportError(window, &exception);
    }
  } catch (...) {
    // A box that cannot be shown has nowhere else to go.
  }
}

INT_PTR CALLBACK mainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    switch (message) {
      case WM_INITDIALOG:
        initialize(window, *reinterpret_cast<const MainDialogStart*>(lParam));
        return TRUE;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL_CLOSE) {
          DestroyWindow(window);
        } else if (MainDialog* dialog = dialogOf(window)) {
          dialog->controller.command(LOWORD(wParam));
        }
        return TRUE;
      case WM_SYSCOMMAND: {
        MainDialog* dialog = dialogOf(window);
        if (wParam != IDM_ABOUT || dialog == nullptr) return FALSE;
        DialogBoxParamA(instanceOf(dialog->host), MAKEINTRESOURCEA(IDD_ABOUT), window,
                        aboutDialogProc, reinterpret_cast<LPARAM>(&dialog->host));
        return TRUE;
      }
      case WM_SYSCOLORCHANGE:
        if (MainDialog* dialog = dialogOf(window)) {
          updateSaveButtonImage(window, instanceOf(dialog->host));
        }
        return TRUE;
      case WM_DESTROY:
        removeSaveButtonImage(window);
        PostQuitMessage(0);
        return TRUE;
      case WM_NCDESTROY:
        std::unique_ptr<MainDialog>(dialogOf(window)).reset();
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return FALSE;
      default:
        return FALSE;
    }
  } catch (const Exception& exception) {
    reportFailure(window, exception);
  } catch (...) {
  }
  return TRUE;
}

}  // namespace

HWND createMainDialog(DialogHost& host, const MainDialogSeams* seams) {
  MainDialogStart start{host, seams};
  return CreateDialogParamA(instanceOf(host), MAKEINTRESOURCEA(IDD_MAIN), nullptr, mainDialogProc,
                            reinterpret_cast<LPARAM>(&start));
}

int runMessageLoop(HWND dialog) {
  MSG message = {};
  for (;;) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 0;
    if (!IsDialogMessageA(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

}  // namespace qv
