// The Windows entry point. The runtime splits the wide command line
// (GetCommandLineW) by its rules into __wargv, which is handed on as it is:
// a name that has no code page 932 form still names its own file. Asked for
// help or the version, it shows them in an information box.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/options.h"
#include "app/version.h"

namespace {

const char* const CAPTION = "Quorvel";

// The usage box holds the options' lines between these two.
const char* const USAGE_HEAD =
    "使い方: quorvel [オプション]...\r\n"
    "ディレクトリとその下のすべてのサブディレクトリの一覧をテキスト ファイルに書き出します。"
    "引数がなければダイアログを開きます。\r\n"
    "\r\n";
const char* const USAGE_TAIL =
    "\r\n"
    "オプションの前には \"-\" か \"/\" を一つ付けることもできます (-s、/s、s は同じ)。\r\n"
    "終了ステータス: 0 成功、1 不明なオプションか値の誤り、2 値のない in か out、"
    "または出力の失敗、15 起動の失敗";

const char* const VERSION = "Quorvel " QUORVEL_VERSION;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  std::vector<std::wstring> arguments;
  for (int i = 1; i < __argc; ++i) arguments.emplace_back(__wargv[i]);
  if (arguments.size() == 1) {
    const std::wstring& only = arguments[0];
    if (only == L"/?" || only == L"-?" || only == L"--help") {
      std::string usage = USAGE_HEAD + qv::boxOptionsHelp() + USAGE_TAIL;
      MessageBoxA(nullptr, usage.c_str(), CAPTION, MB_ICONINFORMATION);
      return 0;
    }
    if (only == L"--version") {
      MessageBoxA(nullptr, VERSION, CAPTION, MB_ICONINFORMATION);
      return 0;
    }
  }
  return qv::runEntry(arguments);
}
