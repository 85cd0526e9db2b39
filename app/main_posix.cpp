// The POSIX entry point: arguments arrive in the locale's encoding and are
// converted to code page 932 before the program sees them.
#include <errno.h>
#include <locale.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/entry.h"
#include "base/platform.h"
#include "base/platform_posix.h"

namespace {

const char* const USAGE =
    "使い方: quorvel [オプション]...\n"
    "ディレクトリとその下のすべてのサブディレクトリの一覧をテキスト ファイルに書き出します。\n"
    "引数がなければダイアログを開きます。\n"
    "\n"
    "  in パス       一覧にするディレクトリとファイルのパターン (既定: カレント ディレクトリの "
    "*.*)\n"
    "                例: in ~/work/  in ~/work/*.txt (ディレクトリは \"/\" で終えてください)\n"
    "  out ファイル  出力ファイル (既定: ./tree.txt)。既にあれば置き換えます\n"
    "  s             ファイルサイズの出力\n"
    "  t             更新日時の出力\n"
    "  a             属性の出力 (R 読み取り専用、H 隠し、A アーカイブ、S システム)\n"
    "  f             file:// 形式でパスの出力\n"
    "  p             ツリー構造の代わりにパス情報を出力\n"
    "  hidden        隠しファイルも対象\n"
    "  all           すべてのファイルが対象 (隠しファイルとシステム ファイル)\n"
    "  exec          作成後にテキスト ファイルの既定のアプリケーションで開く\n"
    "  ne            エラーを表示しない (終了ステータスだけで知らせる)\n"
    "\n"
    "オプションの前には \"-\" か \"/\" を一つ付けることもできます (-s、/s、s は同じ)。\n"
    "終了ステータス: 0 成功 (読み取れないディレクトリは警告のみ)、1 不明なオプション、\n"
    "2 値のない in か out、または出力の失敗、15 起動の失敗\n";

const char* const VERSION = "Quorvel 1.10\n";

// Prints text for the option argument and returns the exit status: 0, or 2
// with a message naming the option when standard output cannot take it.
int printFor(const char* argument, const char* cp932) {
  std::string text = qv::posix::toLocale(cp932);
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) {
    return 0;
  }
  qv::SystemMessage message(errno != 0 ? qv::posix::errorFromErrno(errno) : 31);
  std::string line = std::string("Quorvel: ") + argument + ": ";
  if (message.text() != nullptr) line += message.text();
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  qv::writeStandardError((line + "\n").c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // A locale that is not installed still lends its character set.
  if (setlocale(LC_ALL, "") == nullptr) setlocale(LC_CTYPE, "");
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return printFor(argv[1], USAGE);
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return printFor(argv[1], VERSION);
  // A leading "~" that no shell expanded (it was quoted, or came from another
  // program) stands for the home directory. No option starts with "~", so
  // expanding every argument changes only the values of "in" and "out".
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(qv::posix::argumentToCp932(qv::posix::expandHome(argv[i]).c_str()));
  }
  return qv::runEntry(arguments);
}
