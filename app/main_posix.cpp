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
#include "app/options.h"
#include "app/version.h"
#include "base/platform.h"
#include "base/platform_posix.h"

namespace {

// The usage text holds the options' lines between these two.
const char* const USAGE_HEAD =
    "使い方: quorvel [オプション]...\n"
    "ディレクトリとその下のすべてのサブディレクトリの一覧をテキスト ファイルに書き出します。\n"
    "引数がなければダイアログを開きます。\n"
    "\n";
const char* const USAGE_TAIL =
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
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::string usage = USAGE_HEAD + qv::terminalOptionsHelp() + USAGE_TAIL;
    return printFor(argv[1], usage.c_str());
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return printFor(argv[1], VERSION);
  // A leading "~" that no shell expanded (it was quoted, or came from another
  // program) stands for the home directory in the paths of "in" and "out",
  // and nowhere else: "exclude ~*" means names that start with "~".
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(qv::posix::fromLocale(argv[i]));
    const qv::Option* option = qv::findOption(argv[i]);
    if (option != nullptr && option->valueKind != qv::ValueKind::NONE && i + 1 < argc) {
      ++i;
      std::string value =
          option->valueKind == qv::ValueKind::PATH ? qv::posix::expandHome(argv[i]) : argv[i];
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
