// Identifiers of the dialogs, their controls, commands and images. The
// numbers are those of the Windows resources, so that every toolkit's dialog
// names its controls the same way.
#pragma once

namespace qv {

constexpr int IDD_ABOUT = 100;
constexpr int IDD_MAIN = 102;
constexpr int IDI_MAIN = 128;
constexpr int IDB_SAVE = 129;

constexpr int IDOK_SAVE = 1;       // the save button; also the dialog's default command
constexpr int IDCANCEL_CLOSE = 2;  // "閉じる", Esc and the close box
constexpr int IDM_ABOUT = 16;

constexpr int IDC_DIRECTORY = 1000;
constexpr int IDC_BROWSE_DIRECTORY = 1001;
constexpr int IDC_OUTPUT_FILE = 1002;
constexpr int IDC_BROWSE_OUTPUT = 1003;
constexpr int IDC_MODE_TREE = 1004;
constexpr int IDC_MODE_PATHS = 1005;
constexpr int IDC_SHOW_TIME = 1006;
constexpr int IDC_PATTERN = 1007;
constexpr int IDC_SHOW_SIZE = 1008;
constexpr int IDC_INCLUDE_HIDDEN = 1009;
constexpr int IDC_INCLUDE_ALL = 1010;
constexpr int IDC_SHOW_ATTRIBUTES = 1011;
constexpr int IDC_OPEN_AFTER = 1012;
constexpr int IDC_FILE_URL = 1013;

// The About box's two texts.
constexpr int IDC_COPYRIGHT = 1000;
constexpr int IDC_VERSION = 1001;

}  // namespace qv
