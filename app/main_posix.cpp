// The POSIX entry point: arguments arrive in the locale's encoding and are
// handed on as UTF-8, the names the file system holds.
#include <errno.h>
#include <locale.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/version.h"
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
    "                out - なら標準出力に書きます (exec とは一緒に使えません)\n"
    "  s             ファイルサイズの出力\n"
    "  t             更新日時の出力\n"
    "  a             属性の出力 (R 読み取り専用、H 隠し、A アーカイブ、S システム)\n"
    "  f             file:// 形式でパスの出力\n"
    "  p             ツリー構造の代わりにパス情報を出力\n"
    "  hidden        隠しファイルも対象\n"
    "  all           すべてのファイルが対象 (隠しファイルとシステム ファイル)\n"
    "  exec          作成後にテキスト ファイルの既定のアプリケーションで開く\n"
    "  ne            エラーを表示しない (終了ステータスだけで知らせる)\n"
    "  exclude パターン  名前がパターンに合うファイルとディレクトリを一覧にも入れず、中にも\n"
    "                入らない (繰り返し可、例: exclude node_modules exclude .git)\n"
    "  depth N       一番上のディレクトリから N 段下までのサブディレクトリに入る (N は 0 以上の\n"
    "                整数、0 なら一番上の中身だけ)\n"
    "  utf8          UTF-8 で出力し、名前はファイル システムのとおり (BOM なし)\n"
    "  lf            改行を CR LF ではなく LF にする\n"
    "  summary       最後の行にディレクトリ数、ファイル数、合計バイト数を出力\n"
    "  csv           表計算用の CSV で出力 (見出し パス,名前,種類,サイズ,更新日時,属性。\n"
    "                CP932 と CR LF、utf8 なら BOM 付き UTF-8。p ならファイルの行だけ)\n"
    "  json          JSON で出力 (常に UTF-8、ディレクトリの入れ子と最後に件数)\n"
    "  html          ディレクトリを折りたためる HTML ページで出力 (UTF-8、f ならリンク)\n"
    "  du            ディレクトリの行にその下のファイルの合計サイズを出力\n"
    "                (out - では json のときだけ使えます)\n"
    "  sort キー     各ディレクトリの中を name (名前)、size (サイズ)、time (更新日時) の順に\n"
    "                並べる (ディレクトリは先のまま)\n"
    "  reverse       並びを逆にする\n"
    "  h             サイズを 1,024 単位で小数 1 桁にする (1.2K、3.4M、5.6G)\n"
    "\n"
    "オプションの前には \"-\" か \"/\" を一つ付けることもできます (-s、/s、s は同じ)。\n"
    "標準エラー出力が端末なら、0.5 秒を超える実行の間は進み具合を表示します (ne では表示しない)。\n"
    "終了ステータス: 0 成功 (読み取れないディレクトリは警告のみ)、1 不明なオプションか値の誤り、\n"
    "2 値のない in か out、または出力の失敗、15 起動の失敗\n";

const char* const VERSION = "Quorvel " QUORVEL_VERSION "\n";

const char* const STACK_TOO_SMALL = "スタックが小さすぎるため、続けられません。\n";

// A stack limit too small for the run ends it with a message and status 2,
// not a segmentation fault. The handler runs on a stack of its own and can
// reach nothing but static storage, so this one record is kept at file
// scope: where the main thread's stack may grow, and the message, in the
// locale's encoding.
struct StackGuard {
  uintptr_t lowest;
  uintptr_t highest;
  char message[256];
  size_t messageLength;
  alignas(16) char handlerStack[65536];
} stackGuard;

void reportStackOverflow(int signal, siginfo_t* info, void*) {
  uintptr_t address = reinterpret_cast<uintptr_t>(info->si_addr);
  // Below the lowest address, within the gap the system keeps there.
  constexpr uintptr_t GAP = 1 << 20;
  if (address < stackGuard.highest && address + GAP >= stackGuard.lowest) {
    ssize_t written = write(STDERR_FILENO, stackGuard.message, stackGuard.messageLength);
    (void)written;
    _exit(2);
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

// Until the conversion's tables are read the message is the system's own.
void guardStack(const void* top) {
  struct rlimit limit;
  if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return;
  std::snprintf(stackGuard.message, sizeof stackGuard.message, "Quorvel: %s\n",
                std::strerror(ENOMEM));
  stackGuard.messageLength = std::strlen(stackGuard.message);
  stackGuard.highest = reinterpret_cast<uintptr_t>(top);
  stackGuard.lowest = stackGuard.highest > limit.rlim_cur ? stackGuard.highest - limit.rlim_cur : 0;
  stack_t alternate = {};
  alternate.ss_sp = stackGuard.handlerStack;
  alternate.ss_size = sizeof stackGuard.handlerStack;
  if (sigaltstack(&alternate, nullptr) != 0) return;
  struct sigaction action = {};
  action.sa_sigaction = reportStackOverflow;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSEGV, &action, nullptr);
}

void setStackMessage() {
  std::string message = std::string("Quorvel: ") + qv::posix::toLocale(STACK_TOO_SMALL);
  if (message.size() > sizeof stackGuard.message) return;
  stackGuard.messageLength = 0;
  std::memcpy(stackGuard.message, message.data(), message.size());
  stackGuard.messageLength = message.size();
}

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

enum class ValueKind { NONE, PATH, OTHER };

// Whether the option argument takes the next argument as its value, and
// whether that value is a path; as the command line reads options, with one
// leading "-" or "/".
ValueKind valueKindOf(const char* argument) {
  if (*argument == '-' || *argument == '/') ++argument;
  if (std::strcmp(argument, "in") == 0 || std::strcmp(argument, "out") == 0) {
    return ValueKind::PATH;
  }
  if (std::strcmp(argument, "exclude") == 0 || std::strcmp(argument, "depth") == 0 ||
      std::strcmp(argument, "sort") == 0) {
    return ValueKind::OTHER;
  }
  return ValueKind::NONE;
}

int run(int argc, char** argv) {
  guardStack(&argc);
  // A locale that is not installed still lends its character set.
  if (setlocale(LC_ALL, "") == nullptr) setlocale(LC_CTYPE, "");
  // Before anything holds a descriptor: later, the converter could fail to
  // open for want of one, and every name and message would come out wrong.
  // Without it no Japanese text can be shown, so the system says why.
  if (!qv::posix::loadConversionTables()) {
    std::fprintf(stderr, "Quorvel: %s\n", std::strerror(errno));
    return argc > 1 ? 2 : 15;
  }
  setStackMessage();
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return printFor(argv[1], USAGE);
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return printFor(argv[1], VERSION);
  // A leading "~" that no shell expanded (it was quoted, or came from another
  // program) stands for the home directory in the paths of "in" and "out",
  // and nowhere else: "exclude ~*" means names that start with "~".
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(qv::posix::fromLocale(argv[i]));
    ValueKind kind = valueKindOf(argv[i]);
    if (kind != ValueKind::NONE && i + 1 < argc) {
      ++i;
      std::string value = kind == ValueKind::PATH ? qv::posix::expandHome(argv[i]) : argv[i];
      arguments.push_back(qv::posix::fromLocale(value.c_str()));
    }
  }
  return qv::runEntry(arguments);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    // Before the run could start (its own failures are reported as it ends).
    std::fprintf(stderr, "Quorvel: %s\n", std::strerror(ENOMEM));
    return argc > 1 ? 2 : 15;
  }
}
