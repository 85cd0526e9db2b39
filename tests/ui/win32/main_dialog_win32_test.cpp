// The Windows program's main dialog, created from the real resources and
// driven through real window messages on a display. Message boxes are
// answered through the dialog's box seam; the About box and the two
// platform pickers are real windows, dismissed by a key press.
#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/report_app.h"
#include "base/error.h"
#include "test_support.h"
#include "ui/resource_ids.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/main_dialog.h"
#include "ui/win32/save_button_image.h"
#include "ui/win32/shell_pickers.h"

namespace qv::test {
namespace {

struct Box {
  std::string text;
  std::string caption;
  unsigned style;
};

std::string windowText(HWND window) {
  char buffer[1024] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

std::string className(HWND window) {
  char buffer[64] = {};
  GetClassNameA(window, buffer, sizeof buffer);
  return buffer;
}

// The rectangle of a control in its dialog's client coordinates.
RECT clientRect(HWND dialog, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A template rectangle in pixels: the dialog manager maps the position and
// the size each on its own.
RECT dialogUnits(HWND dialog, int x, int y, int width, int height) {
  RECT units = {x, y, width, height};
  MapDialogRect(dialog, &units);
  return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

std::string describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Takes the quit message that a destroyed main dialog posts, so that it
// cannot end a later modal loop; returns its exit code, or -1 when none.
int takeQuitMessage() {
  MSG message;
  int code = -1;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) code = static_cast<int>(message.wParam);
  }
  return code;
}

// The first visible dialog window of thread other than except, waiting for
// it to appear for up to ten seconds.
HWND waitForDialog(DWORD thread, HWND except) {
  for (int i = 0; i < 1000; ++i) {
    HWND found = nullptr;
    auto pick = [&](HWND window) {
      if (window != except && IsWindowVisible(window) && className(window) == "#32770") {
        found = window;
      }
    };
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM data) {
          (*reinterpret_cast<decltype(pick)*>(data))(window);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&pick));
    if (found != nullptr) return found;
    Sleep(10);
  }
  return nullptr;
}

// Presses and releases key in the window that has the focus.
void pressKey(WORD key) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = key;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

// On another thread: waits for a dialog of this thread other than except to
// appear, hands it to look, then brings it to the front and presses key.
class KeyPresser {
 public:
  KeyPresser(HWND except, WORD key, std::function<void(HWND)> look = nullptr)
      : thread_([this, thread = GetCurrentThreadId(), except, key, look] {
          found_ = waitForDialog(thread, except);
          if (found_ == nullptr) return;
          title_ = windowText(found_);
          if (look) look(found_);
          SetForegroundWindow(found_);
          Sleep(200);
          pressKey(key);
        }) {}
  ~KeyPresser() {
    if (thread_.joinable()) thread_.join();
  }
  // After the dialog has ended.
  HWND found() {
    thread_.join();
    return found_;
  }
  const std::string& title() const { return title_; }

 private:
  HWND found_ = nullptr;
  std::string title_;
  std::thread thread_;
};

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seams.box = [this](WindowHandle owner, const char* text, const char* caption, unsigned style) {
      boxes.push_back({text, caption, style});
      boxOwners.push_back(static_cast<HWND>(owner));
      return asksYesNo(style) ? answer : IDOK;
    };
    dialog = createMainDialog(app, &seams);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override {
    if (IsWindow(dialog)) DestroyWindow(dialog);
    takeQuitMessage();
  }

  HWND item(int id) const { return GetDlgItem(dialog, id); }
  void setText(int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }
  std::string text(int id) const { return windowText(item(id)); }
  bool checked(int id) const {
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void click(int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }
  void uncheck(int id) { SendDlgItemMessageA(dialog, id, BM_SETCHECK, BST_UNCHECKED, 0); }
  HBITMAP image() const {
    return reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(dialog, IDOK_SAVE, BM_GETIMAGE, IMAGE_BITMAP, 0));
  }

  ReportApp app;
  MainDialogSeams seams;
  std::vector<Box> boxes;
  std::vector<HWND> boxOwners;
  int answer = IDYES;
  HWND dialog = nullptr;
  TempDir dir;
};

struct ControlRow {
  int id;
  const char* kind;  // the window class
  DWORD type;        // the low style bits: button kind or static alignment
  DWORD otherStyles;
  const char* text;
  RECT units;  // x, y, width, height
  bool tabStop;
  bool group;
  bool enabled;
};

// The template, in its order (which is the tab and z-order).
const ControlRow CONTROLS[] = {
    {-1, "Static", SS_LEFT, 0, "ディレクトリ名", {10, 11, 45, 8}, false, true, true},
    {IDC_DIRECTORY,
     "Edit",
     0,
     ES_AUTOHSCROLL | WS_BORDER,
     "",
     {58, 10, 138, 12},
     true,
     false,
     true},
    {IDC_BROWSE_DIRECTORY,
     "Button",
     BS_PUSHBUTTON,
     0,
     "選択...",
     {201, 10, 30, 13},
     false,
     false,
     true},
    {-1, "Static", SS_LEFT, 0, "出力ファイル名", {10, 31, 45, 8}, false, true, true},
    {IDC_OUTPUT_FILE,
     "Edit",
     0,
     ES_AUTOHSCROLL | WS_BORDER,
     "",
     {58, 29, 138, 12},
     true,
     false,
     true},
    {IDC_BROWSE_OUTPUT,
     "Button",
     BS_PUSHBUTTON,
     0,
     "選択...",
     {201, 29, 30, 13},
     false,
     false,
     true},
    // Checking a radio button makes it the group's tab stop.
    {IDC_MODE_TREE,
     "Button",
     BS_AUTORADIOBUTTON,
     0,
     "ツリー構造",
     {14, 54, 70, 15},
     true,
     false,
     true},
    {IDC_MODE_PATHS,
     "Button",
     BS_AUTORADIOBUTTON,
     0,
     "パス情報",
     {14, 70, 70, 15},
     false,
     false,
     true},
    {-1, "Static", SS_LEFT, 0, "パターン", {14, 105, 26, 8}, false, true, true},
    {IDC_PATTERN,
     "Edit",
     0,
     ES_AUTOHSCROLL | WS_BORDER,
     "*.*",
     {45, 103, 40, 12},
     true,
     false,
     true},
    {IDC_SHOW_SIZE,
     "Button",
     BS_AUTOCHECKBOX,
     0,
     "ファイルサイズの出力",
     {110, 54, 105, 15},
     true,
     false,
     true},
    {IDC_SHOW_TIME,
     "Button",
     BS_AUTOCHECKBOX,
     0,
     "更新日時の出力",
     {110, 69, 105, 15},
     true,
     false,
     true},
    {IDC_SHOW_ATTRIBUTES,
     "Button",
     BS_AUTOCHECKBOX,
     0,
     "属性の出力",
     {110, 84, 105, 15},
     true,
     false,
     true},
    {IDC_FILE_URL,
     "Button",
     BS_AUTOCHECKBOX,
     0,
     "file:// 形式でパスの出力",
     {110, 99, 105, 15},
     true,
     false,
     true},
    {IDC_INCLUDE_HIDDEN,
     "Button",
     BS_AUTOCHECKBOX,
     0,
     "隠しファイルも対象",
     {110, 114, 105, 15},
     true,
     false,
     true},
    {IDC_INCLUDE_ALL,
     "Button",
     BS_AUTOCHECKBOX,
     0,
     "すべてのファイルが対象",
     {110, 129, 105, 15},
     true,
     false,
     false},
    {IDC_OPEN_AFTER,
     "Button",
     BS_AUTOCHECKBOX,
     0,
     "作成後に開く",
     {14, 121, 86, 15},
     true,
     false,
     true},
    {IDOK_SAVE, "Button", BS_DEFPUSHBUTTON, BS_BITMAP, "", {127, 151, 50, 19}, true, false, true},
    {IDCANCEL_CLOSE, "Button", BS_PUSHBUTTON, 0, "閉じる", {181, 151, 50, 19}, true, false, true},
};

TEST_F(MainDialogTest, ControlsAreThoseOfTheTemplateInItsOrder) {
  HWND control = GetWindow(dialog, GW_CHILD);
  for (const ControlRow& row : CONTROLS) {
    SCOPED_TRACE(row.text);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetDlgCtrlID(control) & 0xFFFF, row.id & 0xFFFF);
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, className(control).c_str(), -1,
                             row.kind, -1),
              CSTR_EQUAL)
        << className(control);
    DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    EXPECT_EQ(style & 0xF, row.type);
    // The dialog manager gives a bordered edit the sunken edge instead.
    DWORD exStyle = static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE));
    if ((exStyle & WS_EX_CLIENTEDGE) != 0) style |= WS_BORDER;
    EXPECT_EQ(style & row.otherStyles, row.otherStyles);
    EXPECT_EQ((style & WS_TABSTOP) != 0, row.tabStop);
    EXPECT_EQ((style & WS_GROUP) != 0, row.group);
    EXPECT_EQ(IsWindowEnabled(control) != FALSE, row.enabled);
    EXPECT_EQ(windowText(control), row.text);
    RECT expected =
        dialogUnits(dialog, row.units.left, row.units.top, row.units.right, row.units.bottom);
    RECT actual = clientRect(dialog, control);
    EXPECT_TRUE(sameRect(actual, expected))
        << describe(actual) << " instead of " << describe(expected);
    control = GetWindow(control, GW_HWNDNEXT);
  }
  EXPECT_EQ(control, nullptr) << "no control beyond the template's";

  EXPECT_TRUE(checked(IDC_MODE_TREE));
  EXPECT_TRUE(checked(IDC_OPEN_AFTER));
  for (int id : {IDC_MODE_PATHS, IDC_SHOW_SIZE, IDC_SHOW_TIME, IDC_SHOW_ATTRIBUTES, IDC_FILE_URL,
                 IDC_INCLUDE_HIDDEN, IDC_INCLUDE_ALL}) {
    EXPECT_FALSE(checked(id)) << id;
  }
  EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_DIRECTORY, EM_GETLIMITTEXT, 0, 0), 259);
  EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_OUTPUT_FILE, EM_GETLIMITTEXT, 0, 0), 259);
  EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_PATTERN, EM_GETLIMITTEXT, 0, 0), 30);
  EXPECT_EQ(GetFocus(), item(IDC_DIRECTORY));
}

TEST_F(MainDialogTest, WindowIsACentredCaptionedPopupWithAboutItemAndIcons) {
  EXPECT_EQ(windowText(dialog), "Quorvel");
  DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
  DWORD wanted = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  EXPECT_NE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

  RECT client, expected = dialogUnits(dialog, 0, 0, 240, 180);
  GetClientRect(dialog, &client);
  EXPECT_TRUE(sameRect(client, expected));
  RECT window, work;
  GetWindowRect(dialog, &window);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 2);
  EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 2);

  HMENU menu = GetSystemMenu(dialog, FALSE);
  int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 2);
  EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUT));
  char label[64] = {};
  GetMenuStringA(menu, count - 1, label, sizeof label, MF_BYPOSITION);
  EXPECT_STREQ(label, "バージョン情報(&A)...");
  EXPECT_NE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR, 0u);

  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0)), icon);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0)), icon);
}

struct SaveCase {
  const char* name;
  const char* directory;  // relative to the test directory; "" for an empty field
  const char* output;
  const char* warning;
  int focus;
};

TEST_F(MainDialogTest, EachInvalidInputIsNamedAndFocused) {
  makeDirs(dir / "in");
  writeFile(dir / "file.txt");
  const SaveCase cases[] = {
      {"all empty", "", "", "ディレクトリ名を指定してください。", IDC_DIRECTORY},
      {"a file as directory", "file.txt", "r.txt", "指定されたディレクトリは存在しません。",
       IDC_DIRECTORY},
      {"a missing directory", "none", "r.txt", "指定されたディレクトリは存在しません。",
       IDC_DIRECTORY},
      {"no output", "in", "", "ファイル名を指定してください。", IDC_OUTPUT_FILE},
      {"output ends in a separator", "in", "in\\", "ファイル名を指定してください。",
       IDC_OUTPUT_FILE},
      {"output in a missing directory", "in", "none\\r.txt",
       "指定されたディレクトリは存在しません。", IDC_OUTPUT_FILE},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.clear();
    setText(IDC_DIRECTORY, *c.directory ? dir / c.directory : "");
    setText(IDC_OUTPUT_FILE, *c.output ? dir / c.output : "");
    setText(IDC_PATTERN, "");
    SetFocus(item(IDC_PATTERN));
    click(IDOK_SAVE);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, c.warning);
    EXPECT_EQ(boxes[0].caption, "Quorvel");
    EXPECT_EQ(boxes[0].style, static_cast<unsigned>(BOX_WARNING));
    EXPECT_EQ(boxOwners[0], dialog);
    EXPECT_EQ(GetFocus(), item(c.focus));
    EXPECT_EQ(text(IDC_PATTERN), "*.*");
  }
  EXPECT_FALSE(exists(dir / "r.txt"));
}

TEST_F(MainDialogTest, RelativeFieldsAreWrittenBackAbsolute) {
  makeDirs(dir / "in");
  std::string saved = currentDirectory();
  ASSERT_TRUE(changeDirectory(dir.path()));
  answer = IDNO;
  setText(IDC_DIRECTORY, ".");
  setText(IDC_OUTPUT_FILE, "r.txt");
  click(IDOK_SAVE);
  changeDirectory(saved);
  EXPECT_EQ(text(IDC_DIRECTORY), dir.path());
  EXPECT_EQ(text(IDC_OUTPUT_FILE), dir / "r.txt");
  ASSERT_EQ(boxes.size(), 1u) << "No writes nothing and says nothing more";
  EXPECT_EQ(boxes[0].text, dir / "r.txt" + "を作成します。\r\nよろしいですか？");
  EXPECT_EQ(boxes[0].style, static_cast<unsigned>(BOX_QUESTION_YES_NO));
  EXPECT_FALSE(exists(dir / "r.txt"));
}

TEST_F(MainDialogTest, EnterInAFieldSavesLikeTheCommandLineAndSaysSo) {
  makeDirs(dir / "in/sub");
  writeFile(dir / "in/a.txt", "12345");
  writeFile(dir / "in/sub/b.txt", "1");
  setText(IDC_DIRECTORY, dir / "in");
  setText(IDC_OUTPUT_FILE, dir / "dialog.txt");
  for (int id : {IDC_SHOW_SIZE, IDC_SHOW_TIME, IDC_SHOW_ATTRIBUTES}) click(id);
  click(IDC_OPEN_AFTER);
  // Enter in an edit field is the default button's command.
  SetFocus(item(IDC_DIRECTORY));
  MSG enter = {};
  enter.hwnd = item(IDC_DIRECTORY);
  enter.message = WM_KEYDOWN;
  enter.wParam = VK_RETURN;
  ASSERT_TRUE(IsDialogMessageA(dialog, &enter));

  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].style, static_cast<unsigned>(BOX_QUESTION_YES_NO));
  EXPECT_EQ(boxes[1].text, dir / "dialog.txt" + "を出力しました。");
  EXPECT_EQ(boxes[1].style, static_cast<unsigned>(BOX_INFORMATION));
  RunResult run =
      runQuorvel({"in", dir / "in\\*.*", "out", dir / "command-line.txt", "s", "t", "a", "ne"});
  ASSERT_EQ(run.status, 0);
  std::string report = readFile(dir / "dialog.txt");
  EXPECT_NE(report.find("b.txt"), std::string::npos);
  EXPECT_EQ(report, readFile(dir / "command-line.txt"));

  // Now the file exists: the overwrite question, and No keeps it.
  boxes.clear();
  answer = IDNO;
  writeFile(dir / "dialog.txt", "kept");
  click(IDOK_SAVE);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, dir / "dialog.txt" + "は既に存在します。\r\n上書きしますか？");
  EXPECT_EQ(boxes[0].style, static_cast<unsigned>(BOX_WARNING_YES_NO));
  EXPECT_EQ(readFile(dir / "dialog.txt"), "kept");
}

TEST_F(MainDialogTest, LaunchFailureIsShownAndTheDialogStaysUsable) {
  makeDirs(dir / "in");
  TextAssociation none(dir, "");
  setText(IDC_DIRECTORY, dir / "in");
  setText(IDC_OUTPUT_FILE, dir / "r.txt");
  click(IDOK_SAVE);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, "起動に失敗しました。");
  EXPECT_EQ(boxes[1].style, static_cast<unsigned>(BOX_WARNING));
  EXPECT_TRUE(exists(dir / "r.txt"));
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_EQ(text(IDC_OUTPUT_FILE), dir / "r.txt");
}

TEST_F(MainDialogTest, HiddenBoxEnablesAndClearsTheAllBox) {
  click(IDC_INCLUDE_HIDDEN);
  EXPECT_TRUE(IsWindowEnabled(item(IDC_INCLUDE_ALL)));
  click(IDC_INCLUDE_ALL);
  EXPECT_TRUE(checked(IDC_INCLUDE_ALL));
  click(IDC_INCLUDE_HIDDEN);
  EXPECT_FALSE(checked(IDC_INCLUDE_ALL));
  EXPECT_FALSE(IsWindowEnabled(item(IDC_INCLUDE_ALL)));
  click(IDC_INCLUDE_HIDDEN);
  EXPECT_TRUE(IsWindowEnabled(item(IDC_INCLUDE_ALL)));
  EXPECT_FALSE(checked(IDC_INCLUDE_ALL));
}

TEST_F(MainDialogTest, RadioButtonsExcludeEachOther) {
  click(IDC_MODE_PATHS);
  EXPECT_TRUE(checked(IDC_MODE_PATHS));
  EXPECT_FALSE(checked(IDC_MODE_TREE));
  click(IDC_MODE_TREE);
  EXPECT_FALSE(checked(IDC_MODE_PATHS));
}

TEST_F(MainDialogTest, CloseDestroysTheDialogAndPostsQuitZero) {
  HBITMAP shown = image();
  ASSERT_NE(shown, nullptr);
  // The close box posts the cancel command.
  SendMessageA(dialog, WM_CLOSE, 0, 0);
  MSG message;
  while (IsWindow(dialog) && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageA(dialog, &message)) DispatchMessageA(&message);
  }
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(GetObjectType(shown), 0u) << "the image is deleted with the dialog";
  EXPECT_EQ(takeQuitMessage(), 0);
}

TEST_F(MainDialogTest, PickersFillTheFieldsAndTheFolderPickerRemembers) {
  std::vector<std::string> initialFolders;
  std::vector<std::string> titles;
  std::string chosenFolder = dir.path();
  seams.folderPicker = [&](WindowHandle owner, const char* title, const Path* initial,
                           Path& folder) {
    EXPECT_EQ(owner, dialog);
    titles.push_back(title);
    initialFolders.push_back(initial != nullptr ? initial->shown().cStr() : "(none)");
    if (chosenFolder.empty()) return false;
    folder = chosenFolder.c_str();
    return true;
  };
  std::vector<std::string> filters;
  OPENFILENAMEW record = {};
  std::wstring filterBlock, extension;
  seams.saveFilePicker = [&](const SaveFileDialog& picker, Path& file) {
    SaveFileRecord saved(picker);
    record = saved.record();
    const wchar_t* end = record.lpstrFilter;
    while (*end != L'\0') end += std::wstring(end).size() + 1;
    filterBlock.assign(record.lpstrFilter, end + 1);
    extension = record.lpstrDefExt;
    EXPECT_STREQ(record.lpstrFile, L"");
    file = (dir / "picked.txt").c_str();
    return true;
  };
  // The seams are read when the dialog starts.
  DestroyWindow(dialog);
  takeQuitMessage();
  dialog = createMainDialog(app, &seams);

  click(IDC_BROWSE_DIRECTORY);
  EXPECT_EQ(text(IDC_DIRECTORY), dir.path());
  setText(IDC_DIRECTORY, "C:\\");
  chosenFolder.clear();
  click(IDC_BROWSE_DIRECTORY);
  EXPECT_EQ(text(IDC_DIRECTORY), "C:\\") << "cancelling changes nothing";
  click(IDC_BROWSE_DIRECTORY);
  EXPECT_EQ(initialFolders, (std::vector<std::string>{"(none)", dir.path(), dir.path()}));
  EXPECT_EQ(titles[0], "ディレクトリを選択してください。");

  setText(IDC_OUTPUT_FILE, dir / "typed.txt");
  click(IDC_BROWSE_OUTPUT);
  EXPECT_EQ(text(IDC_OUTPUT_FILE), dir / "picked.txt");
  EXPECT_EQ(record.lStructSize, static_cast<DWORD>(sizeof(void*) == 4 ? 76 : 136));
  EXPECT_EQ(record.lStructSize, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400W));
  EXPECT_EQ(record.hwndOwner, dialog);
  EXPECT_EQ(record.Flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY));
  EXPECT_EQ(record.nMaxFile, 260u);
  EXPECT_EQ(record.nMaxFileTitle, 260u);
  EXPECT_NE(record.lpstrFileTitle, nullptr);
  EXPECT_EQ(record.nFilterIndex, 0u);
  EXPECT_EQ(record.lpstrInitialDir, nullptr);
  EXPECT_EQ(record.lpstrTitle, nullptr);
  EXPECT_EQ(record.lpstrCustomFilter, nullptr);
  const wchar_t expectedFilter[] =
      L"\u30C6\u30AD\u30B9\u30C8\u30D5\u30A1\u30A4\u30EB (*.txt)\0*.txt\0"
      L"\u5168\u3066\u306E\u30D5\u30A1\u30A4\u30EB (*.*)\0*.*\0";
  EXPECT_EQ(filterBlock, std::wstring(expectedFilter, sizeof expectedFilter / sizeof(wchar_t)));
  EXPECT_EQ(extension, L"txt");
}

TEST_F(MainDialogTest, PickedPathsAreUsedWhileTheFieldsShowThem) {
  // café, which code page 932 shows as "caf?", beside cafe: the picked one is
  // listed and written, and the look-alike's r.txt stays as it was.
  const std::wstring root(dir.path().begin(), dir.path().end());  // ASCII
  const std::wstring cafe = root + L"\\caf\u00E9";
  auto writeWide = [](const std::wstring& path, const char* content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, content, static_cast<DWORD>(std::strlen(content)), &written, nullptr);
    CloseHandle(file);
  };
  ASSERT_TRUE(CreateDirectoryW(cafe.c_str(), nullptr));
  writeWide(cafe + L"\\mine.txt", "");
  makeDirs(dir / "cafe");
  writeFile(dir / "cafe/r.txt", "keep");
  seams.folderPicker = [&](WindowHandle, const char*, const Path*, Path& folder) {
    folder = Path::fromNative(cafe);
    return true;
  };
  seams.saveFilePicker = [&](const SaveFileDialog&, Path& file) {
    file = Path::fromNative(cafe + L"\\r.txt");
    return true;
  };
  DestroyWindow(dialog);
  takeQuitMessage();
  dialog = createMainDialog(app, &seams);
  click(IDC_BROWSE_DIRECTORY);
  click(IDC_BROWSE_OUTPUT);
  EXPECT_EQ(text(IDC_DIRECTORY), dir / "caf?");
  EXPECT_EQ(text(IDC_OUTPUT_FILE), dir / "caf?/r.txt");
  click(IDC_OPEN_AFTER);
  click(IDOK_SAVE);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, dir / "caf?/r.txt" + "を作成します。\r\nよろしいですか？");
  EXPECT_EQ(readFile(dir / "cafe/r.txt"), "keep");
  HANDLE report = CreateFileW((cafe + L"\\r.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(report, INVALID_HANDLE_VALUE);
  char buffer[512];
  DWORD count = 0;
  ReadFile(report, buffer, sizeof buffer, &count, nullptr);
  CloseHandle(report);
  EXPECT_EQ(std::string(buffer, count), lines({"[" + dir / "caf?/]", "└mine.txt"}));

  // Typed over, the field's text is what is used.
  boxes.clear();
  setText(IDC_DIRECTORY, dir / "cafe");
  setText(IDC_OUTPUT_FILE, dir / "typed.txt");
  click(IDOK_SAVE);
  EXPECT_EQ(readFile(dir / "typed.txt"), lines({"[" + dir / "cafe/]", "└r.txt"}));
  DeleteFileW((cafe + L"\\r.txt").c_str());
  DeleteFileW((cafe + L"\\mine.txt").c_str());
  RemoveDirectoryW(cafe.c_str());
}

TEST(SaveFileRecord, NoBuffersBelow260BytesAndNothingShown) {
  SaveFileDialog small(nullptr, 6, 259);
  SaveFileRecord record(small);
  EXPECT_EQ(record.fileName(), nullptr);
  EXPECT_FALSE(record.show());
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST(FolderDialogRecord, OnlyFileSystemFoldersAndTheCallbackOnlyWithAFolder) {
  HWND owner = reinterpret_cast<HWND>(0x1234);
  BROWSEINFOW plain = folderDialogRecord(owner, L"title", nullptr, nullptr);
  EXPECT_EQ(plain.hwndOwner, owner);
  EXPECT_STREQ(plain.lpszTitle, L"title");
  EXPECT_EQ(plain.ulFlags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
  EXPECT_EQ(plain.pszDisplayName, nullptr);
  EXPECT_EQ(plain.pidlRoot, nullptr);
  EXPECT_EQ(plain.lpfn, nullptr);
  EXPECT_EQ(plain.lParam, 0);
  const wchar_t* folder = L"C:\\windows";
  BROWSEINFOW preselect = folderDialogRecord(owner, L"title", folder, nullptr);
  EXPECT_EQ(preselect.lpfn, &browseCallback);
  EXPECT_EQ(preselect.lParam, reinterpret_cast<LPARAM>(folder));
  EXPECT_EQ(BFFM_SETSELECTIONW, 0x467);
}

// The real pickers, shown on the display and dismissed with Esc.
TEST_F(MainDialogTest, RealSaveFileDialogShowsAndEscCancelsIt) {
  SaveFileDialog picker(dialog, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, 260);
  picker.setDefaultExtension("txt");
  picker.setFilter("テキストファイル (*.txt)\0*.txt\0全てのファイル (*.*)\0*.*\0");
  SaveFileRecord record(picker);
  bool ownerDisabled = true;
  KeyPresser esc(dialog, VK_ESCAPE, [&](HWND) { ownerDisabled = !IsWindowEnabled(dialog); });
  EXPECT_FALSE(record.show());
  EXPECT_EQ(CommDlgExtendedError(), 0u) << "cancelled, not failed";
  EXPECT_NE(esc.found(), nullptr) << "no save-file dialog appeared";
  EXPECT_TRUE(ownerDisabled);
}

TEST_F(MainDialogTest, RealFolderDialogShowsItsTitleAndEscCancelsIt) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::string title;
  KeyPresser esc(dialog, VK_ESCAPE, [&](HWND found) {
    // The title is a static text above the tree.
    EnumChildWindows(
        found,
        [](HWND child, LPARAM data) {
          std::string text = windowText(child);
          if (text == "ディレクトリを選択してください。")
            *reinterpret_cast<std::string*>(data) = text;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&title));
  });
  Path path("unchanged");
  Path initial(String(dir.path().c_str()));
  EXPECT_FALSE(browseForFolder(dialog, "ディレクトリを選択してください。", &initial, path));
  EXPECT_NE(esc.found(), nullptr) << "no folder dialog appeared";
  EXPECT_EQ(title, "ディレクトリを選択してください。");
  EXPECT_STREQ(path.shown().cStr(), "unchanged");
  if (SUCCEEDED(com)) CoUninitialize();
}

// True when the control's text, in its font, fits on its one line.
bool fitsOneLine(HWND control) {
  std::string text = windowText(control);
  HDC context = GetDC(control);
  HGDIOBJ old =
      SelectObject(context, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32A(context, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(context, old);
  ReleaseDC(control, context);
  RECT client;
  GetClientRect(control, &client);
  return size.cx <= client.right && size.cy <= client.bottom;
}

// The About box, opened from the system menu and ended each way.
struct AboutEnding {
  const char* name;
  std::function<void(HWND)> end;
};

TEST_F(MainDialogTest, AboutBoxShowsNameVersionAndCopyrightAndEndsEachWay) {
  auto post = [](UINT message, WPARAM wParam) {
    return [=](HWND box) { PostMessageA(box, message, wParam, 0); };
  };
  auto key = [](WORD vk) {
    return [=](HWND box) {
      HWND focus = GetDlgItem(box, IDOK);
      PostMessageA(focus, WM_KEYDOWN, vk, 0);
    };
  };
  const AboutEnding endings[] = {
      {"OK", post(WM_COMMAND, IDOK)},   {"cancel", post(WM_COMMAND, IDCANCEL)},
      {"Enter", key(VK_RETURN)},        {"Esc", key(VK_ESCAPE)},
      {"close box", post(WM_CLOSE, 0)},
  };
  for (const AboutEnding& ending : endings) {
    SCOPED_TRACE(ending.name);
    std::string caption, version, copyright;
    bool ownerEnabled = true;
    RECT versionRect = {}, expectedRect = {};
    HICON icon = nullptr;
    bool textsFit = true;
    std::thread watcher([&, thread = GetCurrentThreadId()] {
      HWND box = waitForDialog(thread, dialog);
      if (box == nullptr) return;
      caption = windowText(box);
      version = windowText(GetDlgItem(box, IDC_VERSION));
      copyright = windowText(GetDlgItem(box, IDC_COPYRIGHT));
      ownerEnabled = IsWindowEnabled(dialog) != FALSE;
      versionRect = clientRect(box, GetDlgItem(box, IDC_VERSION));
      expectedRect = dialogUnits(box, 40, 10, 80, 8);
      for (int id : {IDC_VERSION, IDC_COPYRIGHT})
        textsFit = textsFit && fitsOneLine(GetDlgItem(box, id));
      icon = reinterpret_cast<HICON>(SendMessageA(GetWindow(box, GW_CHILD), STM_GETICON, 0, 0));
      ending.end(box);
    });
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_ABOUT, 0);
    watcher.join();
    EXPECT_EQ(caption, "バージョン情報");
    EXPECT_EQ(version, "Quorvel Version 1.10");
    EXPECT_EQ(copyright, "(C) 2026 Quorvel");
    EXPECT_FALSE(ownerEnabled) << "the box is modal to the main dialog";
    EXPECT_TRUE(sameRect(versionRect, expectedRect));
    EXPECT_NE(icon, nullptr);
    EXPECT_TRUE(textsFit) << "a text is cut off";
    EXPECT_TRUE(IsWindowEnabled(dialog));
  }
}

// The GDI objects of this process. Windows counts them for GetGuiResources;
// Wine does not, but keeps, like Windows, a handle table where the process
// environment block points, whose live entries have a non-zero type.
DWORD gdiObjectCount() {
  DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (count != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return count;
  constexpr size_t TABLE_OFFSET = sizeof(void*) == 8 ? 0xF8 : 0x94;
  constexpr size_t ENTRY_SIZE = 24, TYPE_OFFSET = 14, ENTRIES = 0x10000;
  using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION process = {};
  if (query == nullptr ||
      query(GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process, nullptr) != 0) {
    return 0;
  }
  auto* peb = reinterpret_cast<const unsigned char*>(process.PebBaseAddress);
  auto* table = *reinterpret_cast<const unsigned char* const*>(peb + TABLE_OFFSET);
  if (table == nullptr) return 0;
  for (size_t i = 0; i < ENTRIES; ++i) count += table[i * ENTRY_SIZE + TYPE_OFFSET] != 0;
  return count;
}

// The colour of the image's pixel at x, y.
COLORREF pixel(HBITMAP bitmap, int x, int y) {
  BITMAP info;
  GetObjectA(bitmap, sizeof info, &info);
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = info.bmWidth;
  format.bmiHeader.biHeight = -info.bmHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  std::vector<DWORD> bits(static_cast<size_t>(info.bmWidth * info.bmHeight));
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), bits.data(), &format,
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DWORD value = bits[static_cast<size_t>(y * info.bmWidth + x)];
  return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

// How many pixels of a rectangle of the image have colour.
int countColour(HBITMAP bitmap, RECT area, COLORREF colour) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += pixel(bitmap, x, y) == colour;
  }
  return count;
}

class SaveImageTest : public MainDialogTest {
 protected:
  SIZE textExtent() {
    HDC screen = GetDC(dialog);
    Font font;
    EXPECT_TRUE(font.createPointFont(screen, 9, 0, 0, FW_NORMAL, "ＭＳ ゴシック", false, false,
                                     false, SHIFTJIS_CHARSET));
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, font.handle());
    SIZE size = {};
    GetTextExtentPoint32A(memory, "保存", 4, &size);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(memory, sizeof face, face);
    face_ = face;
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(dialog, screen);
    return size;
  }
  std::string face_;
};

TEST_F(SaveImageTest, PictureAndTextSitWhereTheLayoutPutsThem) {
  SIZE text = textExtent();
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  // Two full-width characters of a Japanese font, each as wide as the
  // character height of 9 points.
  EXPECT_EQ(text.cx, 2 * MulDiv(9, dpi, 72)) << "face " << face_;
  EXPECT_GE(text.cy, MulDiv(9, dpi, 72));

  HBITMAP shown = image();
  ASSERT_NE(shown, nullptr);
  BITMAP info;
  ASSERT_EQ(GetObjectA(shown, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, text.cx + 16 + 3);
  EXPECT_EQ(info.bmHeight, text.cy + 16);
  SaveImageLayout layout = saveImageLayout({16, 16}, text);
  EXPECT_EQ(layout.picture.y, text.cy / 2);
  EXPECT_EQ(layout.text.x, 19);
  EXPECT_EQ(layout.text.y, 8);

  COLORREF face = GetSysColor(COLOR_BTNFACE), ink = GetSysColor(COLOR_BTNTEXT);
  int top = layout.picture.y;
  // The picture's grey border became the face colour, its black outline the
  // text colour; the olive stays.
  EXPECT_EQ(pixel(shown, 0, top), face);
  EXPECT_EQ(pixel(shown, 1, top + 1), ink);
  EXPECT_EQ(pixel(shown, 2, top + 2), RGB(128, 128, 0));
  EXPECT_EQ(pixel(shown, 1, top - 1), face) << "nothing above the picture";
  // The text is drawn in its own box only.
  RECT textBox = {19, 8, 19 + text.cx, 8 + text.cy};
  EXPECT_GT(countColour(shown, textBox, ink), 10);
  EXPECT_EQ(countColour(shown, {16, 0, 19, info.bmHeight}, ink), 0) << "the gap";
  EXPECT_EQ(countColour(shown, {19, 0, info.bmWidth, 8}, ink), 0) << "above the text";
}

TEST_F(SaveImageTest, ColourChangesRecolourTheImageAndLeakNothing) {
  const int elements[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
  const COLORREF saved[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
  const COLORREF changed[] = {RGB(0, 0, 255), RGB(255, 255, 0)};
  HBITMAP before = image();
  ASSERT_TRUE(SetSysColors(2, elements, changed));
  HBITMAP after = image();
  int top = saveImageLayout({16, 16}, textExtent()).picture.y;
  EXPECT_NE(after, before);
  EXPECT_EQ(GetObjectType(before), 0u) << "the old image is deleted";
  EXPECT_EQ(pixel(after, 0, top), changed[0]);
  EXPECT_EQ(pixel(after, 1, top + 1), changed[1]);
  SetSysColors(2, elements, saved);
  EXPECT_EQ(pixel(image(), 0, top), saved[0]);

  DWORD objects = gdiObjectCount();
  HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
  ASSERT_EQ(gdiObjectCount(), objects + 1) << "the count sees a new object";
  DeleteObject(probe);
  ASSERT_EQ(gdiObjectCount(), objects);
  for (int i = 0; i < 50; ++i) SendMessageA(dialog, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(gdiObjectCount(), objects);
  EXPECT_NE(image(), nullptr);
}

TEST(Font, PointSizeBecomesANegativePixelHeight) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  Font font;
  ASSERT_TRUE(font.createPointFont(nullptr, 9, 0, 0, FW_NORMAL, "ＭＳ ゴシック", false, false,
                                   false, SHIFTJIS_CHARSET));
  LOGFONTA logical;
  ASSERT_EQ(GetObjectA(font.handle(), sizeof logical, &logical), static_cast<int>(sizeof logical));
  EXPECT_EQ(logical.lfHeight, -MulDiv(9, dpi, 72));
  EXPECT_EQ(logical.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_STREQ(logical.lfFaceName, "ＭＳ ゴシック");
  HFONT handle = font.handle();
  EXPECT_TRUE(font.release());
  EXPECT_EQ(font.handle(), nullptr);
  EXPECT_EQ(GetObjectType(handle), 0u);
  EXPECT_FALSE(font.release()) << "nothing left to free";
  ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace qv::test

namespace qv::test {
namespace {

TEST(Resources, AllAreJapaneseAndThePictureIsOnTheFaceGrey) {
  HMODULE module = GetModuleHandleA(nullptr);
  const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  struct Resource {
    LPCSTR type;
    int id;
  };
  const Resource resources[] = {{RT_DIALOG, IDD_MAIN},
                                {RT_DIALOG, IDD_ABOUT},
                                {RT_GROUP_ICON, IDI_MAIN},
                                {RT_BITMAP, IDB_SAVE},
                                {RT_VERSION, 1}};
  for (const Resource& resource : resources) {
    EXPECT_NE(FindResourceExA(module, resource.type, MAKEINTRESOURCEA(resource.id), japanese),
              nullptr)
        << resource.id;
  }
  HRSRC found = FindResourceExA(module, RT_BITMAP, MAKEINTRESOURCEA(IDB_SAVE), japanese);
  ASSERT_NE(found, nullptr);
  auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
  EXPECT_EQ(header->biWidth, 16);
  EXPECT_EQ(header->biHeight, 16);
  EXPECT_EQ(header->biBitCount, 4);
  auto* palette = reinterpret_cast<const RGBQUAD*>(header + 1);
  auto* pixels = reinterpret_cast<const BYTE*>(palette + 16);
  // The bottom-left pixel is background.
  const RGBQUAD& background = palette[pixels[0] >> 4];
  EXPECT_EQ(background.rgbRed, 192);
  EXPECT_EQ(background.rgbGreen, 192);
  EXPECT_EQ(background.rgbBlue, 192);

  // The version record's translation: Japanese, code page 932.
  char path[MAX_PATH];
  GetModuleFileNameA(module, path, sizeof path);
  std::vector<char> version(GetFileVersionInfoSizeA(path, nullptr));
  ASSERT_FALSE(version.empty());
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(version.size()), version.data()));
  WORD* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(version.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0411);
  EXPECT_EQ(translation[1], 932);
}

}  // namespace
}  // namespace qv::test
