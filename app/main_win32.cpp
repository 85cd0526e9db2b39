// The Windows entry point. The runtime splits the wide command line
// (GetCommandLineW) by its rules into __wargv, which is handed on as it is:
// a name that has no code page 932 form still names its own file. Asked for
// help or the version, it shows them in an information box.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/version.h"

namespace {

const char* const CAPTION = "Quorvel";

const char* const USAGE =
    "使い方: quorvel [オプション]...\r\n"
    "ディレクトリとその下のすべてのサブディレクトリの一覧をテキスト ファイルに書き出します。"
    "引数がなければダイアログを開きます。\r\n"
    "\r\n"
    "in パス\t一覧にするディレクトリとファイルのパターン (既定: カレント ディレクトリの *.*)\r\n"
    "\t例: in C:\\work\\  in C:\\work\\*.txt (ディレクトリは \"\\\" で終えてください)\r\n"
    "out ファイル\t出力ファイル (既定: .\\tree.txt)。既にあれば置き換えます\r\n"
    "\tout - なら標準出力に書きます (exec とは一緒に使えません)\r\n"
    "s\tファイルサイズの出力\r\n"
    "t\t更新日時の出力\r\n"
    "a\t属性の出力 (R 読み取り専用、H 隠し、A アーカイブ、S システム)\r\n"
    "f\tfile:// 形式でパスの出力\r\n"
    "p\tツリー構造の代わりにパス情報を出力\r\n"
    "hidden\t隠しファイルも対象\r\n"
    "all\tすべてのファイルが対象 (隠しファイルとシステム ファイル)\r\n"
    "exec\t作成後に .txt に関連付けられたプログラムで開く\r\n"
    "ne\tエラーを表示しない (終了ステータスだけで知らせる)\r\n"
    "exclude パターン\t名前がパターンに合うファイルとディレクトリを一覧に入れず、"
    "その中にも入らない (何度でも指定できます)\r\n"
    "depth N\t一番上のディレクトリから N 段下までのサブディレクトリに入る\r\n"
    "utf8\tUTF-8 (BOM なし) で出力する。名前はファイル システムのとおり\r\n"
    "lf\t改行を CR LF ではなく LF にする\r\n"
    "summary\t最後の行にディレクトリ数、ファイル数、合計バイト数を出力\r\n"
    "csv\t表計算用の CSV で出力 (見出し パス,名前,種類,サイズ,更新日時,属性。"
    "CP932 と CR LF、utf8 なら BOM 付き UTF-8。p ならファイルの行だけ)\r\n"
    "json\tJSON で出力 (常に UTF-8、ディレクトリの入れ子と最後に件数)\r\n"
    "html\tディレクトリを折りたためる HTML ページで出力 (UTF-8、f ならリンク)\r\n"
    "du\tディレクトリの行にその下のファイルの合計サイズを出力 (out - では json のときだけ)\r\n"
    "sort キー\t各ディレクトリの中を name (名前)、size (サイズ)、time (更新日時) の順に"
    "並べる (ディレクトリは先のまま)\r\n"
    "reverse\t並びを逆にする\r\n"
    "h\tサイズを 1,024 単位で小数 1 桁にする (1.2K、3.4M、5.6G)\r\n"
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
      MessageBoxA(nullptr, USAGE, CAPTION, MB_ICONINFORMATION);
      return 0;
    }
    if (only == L"--version") {
      MessageBoxA(nullptr, VERSION, CAPTION, MB_ICONINFORMATION);
      return 0;
    }
  }
  return qv::runEntry(arguments);
}
