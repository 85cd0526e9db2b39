#include "base/platform_posix.h"

#include <errno.h>
#include <limits.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/path.h"
#include "base/platform.h"

namespace qv {

const char PATH_SEPARATOR = '/';
const int MAX_PATH_BYTES = PATH_MAX;

namespace {

thread_local uint32_t threadLastError = 0;

// One code the POSIX layer produces: the errno values that stand for it (0
// ends the list) and its text as the system message table of a Japanese and
// of an English system words it, one sentence and CR LF. An errno value that
// no entry names is 31, a device that does not work.
struct SystemError {
  uint32_t code;
  int errnos[3];
  const char* japanese;
  const char* english;
};

const SystemError ERRORS[] = {
    {1, {ENOSYS, ENOTSUP}, "ファンクションが間違っています。\r\n", "Incorrect function.\r\n"},
    {2,
     {ENOENT},
     "指定されたファイルが見つかりません。\r\n",
     "The system cannot find the file specified.\r\n"},
    {3,
     {ENOTDIR},
     "指定されたパスが見つかりません。\r\n",
     "The system cannot find the path specified.\r\n"},
    {4,
     {EMFILE, ENFILE},
     "開いているファイルが多すぎるため、ファイルを開けません。\r\n",
     "The system cannot open the file.\r\n"},
    {5, {EACCES, EPERM, EISDIR}, "アクセスが拒否されました。\r\n", "Access is denied.\r\n"},
    {6, {EBADF}, "ハンドルが無効です。\r\n", "The handle is invalid.\r\n"},
    {8,
     {ENOMEM},
     "この操作を完了するのに十分なメモリがありません。\r\n",
     "Not enough memory resources are available to process this command.\r\n"},
    {17,
     {EXDEV},
     "別のディスク ドライブへ移動することはできません。\r\n",
     "The system cannot move the file to a different disk drive.\r\n"},
    {18, {}, "これ以上ファイルはありません。\r\n", "There are no more files.\r\n"},
    {19,
     {EROFS},
     "このメディアは書き込み禁止になっています。\r\n",
     "The media is write protected.\r\n"},
    {21, {ENXIO, ENODEV}, "デバイスの準備ができていません。\r\n", "The device is not ready.\r\n"},
    {31,
     {},
     "システムに接続されたデバイスが機能していません。\r\n",
     "A device attached to the system is not functioning.\r\n"},
    {32,
     {ETXTBSY},
     "ほかのプロセスが使用中のため、ファイルにアクセスできません。\r\n",
     "The process cannot access the file because it is being used by another process.\r\n"},
    {80, {EEXIST}, "ファイルが既に存在します。\r\n", "The file exists.\r\n"},
    {87, {EINVAL}, "パラメーターが間違っています。\r\n", "The parameter is incorrect.\r\n"},
    {CODE_BROKEN_PIPE, {EPIPE}, "パイプは終了しました。\r\n", "The pipe has been ended.\r\n"},
    {112,
     {ENOSPC, EDQUOT},
     "ディスクに十分な空き領域がありません。\r\n",
     "There is not enough space on the disk.\r\n"},
    {123,
     {},
     "ファイル名、ディレクトリ名、またはボリューム ラベルの構文が間違っています。\r\n",
     "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {145, {ENOTEMPTY}, "ディレクトリが空ではありません。\r\n", "The directory is not empty.\r\n"},
    {170,
     {EBUSY, EAGAIN},
     "要求されたリソースは使用中です。\r\n",
     "The requested resource is in use.\r\n"},
    {206,
     {ENAMETOOLONG},
     "ファイル名または拡張子が長すぎます。\r\n",
     "The filename or extension is too long.\r\n"},
    {223,
     {EFBIG},
     "ファイルのサイズが大きすぎるため、この操作を完了できません。\r\n",
     "The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {1117,
     {EIO},
     "I/O デバイス エラーが発生したため、要求を実行できませんでした。\r\n",
     "The request could not be performed because of an I/O device error.\r\n"},
    {CODE_CURRENT_DIRECTORY_GONE,
     {},
     "カレント ディレクトリが存在しません。\r\n",
     "The current directory does not exist.\r\n"},
    {1921,
     {ELOOP},
     "システムがファイル名を解決できません。シンボリック リンクが多すぎる可能性があります。\r\n",
     "The name of the file cannot be resolved by the system.\r\n"},
};

// The language of messages, as the C library chooses it: the first of these
// that is set and not empty.
bool japaneseMessages() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return std::strncmp(value, "ja", 2) == 0;
  }
  return false;
}

}  // namespace

uint32_t lastError() {
  return threadLastError;
}

void setLastError(uint32_t code) {
  threadLastError = code;
}

bool isLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t nativeCharacterLength(std::string_view text, size_t i) {
  return posix::utf8Length(text, i);
}

void appendNativeAsUtf8(NativeView native, std::string& out) {
  out.append(native);
}

void appendNativeAsCp932(NativeView native, std::string& out) {
  std::string cp932;
  posix::toCp932(native, cp932);
  out += cp932;
}

bool splitAbsolute(const char* path, String& directory, String& name) {
  directory = "";
  name = "";
  if (path == nullptr || *path == '\0') {
    setLastError(CODE_INVALID_NAME);
    return false;
  }
  std::string absolute;
  if (path[0] == '/') {
    absolute = posix::absolutePath(path, "/");
  } else {
    std::string cwd;
    if (!posix::currentDirectory(cwd)) return false;
    std::string cwdText;
    posix::toCp932(cwd, cwdText);
    absolute = posix::absolutePath(path, cwdText);
  }
  // Bounded by a path buffer, as every path the program shows. No trail byte
  // of code page 932 is a "/".
  if (absolute.size() >= static_cast<size_t>(MAX_PATH_BYTES)) {
    setLastError(CODE_FILENAME_TOO_LONG);
    return false;
  }
  size_t cut = absolute.rfind('/') + 1;
  directory.appendBytes(absolute.data(), static_cast<int>(cut));
  name = absolute.c_str() + cut;
  return true;
}

NativeString nativeOf(std::string_view cp932) {
  std::string native;
  posix::toUtf8(cp932, native);
  return native;
}

bool nativeFullPath(const std::string& path, std::string& directory, std::string& name) {
  std::string absolute;
  if (!path.empty() && path[0] == '/') {
    absolute = posix::absolutePath(path, "/");
  } else {
    std::string cwd;
    if (!posix::currentDirectory(cwd)) return false;
    absolute = posix::absolutePath(path, cwd);
  }
  size_t cut = posix::lastComponentStart(absolute);
  name = absolute.substr(cut);
  directory = absolute.substr(0, cut);
  return true;
}

bool splitFullPath(const Path& path, Path& directory, Path& name) {
  // The shown text bounded by a path buffer, as every path the program
  // shows; the native one by the system alone.
  String shownDirectory, shownName;
  NativeString nativeDirectory, nativeName;
  if (!splitAbsolute(path.shown().cStr(), shownDirectory, shownName) ||
      !nativeFullPath(path.native(), nativeDirectory, nativeName)) {
    return false;
  }
  directory = Path(shownDirectory, std::move(nativeDirectory));
  name = Path(shownName, std::move(nativeName));
  return true;
}

uint32_t fileAttributes(const NativeString& path) {
  std::string native = posix::absoluteNative(path);
  if (native.empty()) return INVALID_ATTRIBUTES;
  struct stat st;
  if (stat(native.c_str(), &st) != 0) {
    int err = errno;
    if (err == ENOENT) {
      setLastError(posix::missingPathCode(native));
    } else {
      posix::failWithErrno(err);
    }
    return INVALID_ATTRIBUTES;
  }
  uint32_t attributes = 0;
  // absoluteNative() gives an absolute path without "." or ".." components.
  size_t end = native.find_last_not_of('/');
  if (end != std::string::npos && native[native.rfind('/', end) + 1] == '.') {
    attributes |= ATTRIBUTE_HIDDEN;
  }
  if (S_ISDIR(st.st_mode)) {
    attributes |= ATTRIBUTE_DIRECTORY;
  } else if (S_ISREG(st.st_mode)) {
    attributes |= ATTRIBUTE_ARCHIVE;
  } else {
    attributes |= ATTRIBUTE_SYSTEM;
  }
  if ((st.st_mode & S_IWUSR) == 0) attributes |= ATTRIBUTE_READONLY;
  return attributes;
}

ModuleHandle currentModule() {
  return nullptr;
}

int showMessageBox(WindowHandle, const char* text, const char* caption, unsigned style) {
  std::string line = posix::toLocale(caption);
  line += ": ";
  line += posix::toLocale(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  line += '\n';
  if (std::fwrite(line.data(), 1, line.size(), stderr) != line.size()) {
    posix::failWithErrno(errno);
    return 0;
  }
  std::fflush(stderr);
  // Nobody can answer on the command line: a question counts as No.
  return asksYesNo(style) ? BUTTON_NO : BUTTON_OK;
}

bool writeStandardError(const char* text) {
  std::string line = posix::toLocale(text);
  if (std::fwrite(line.data(), 1, line.size(), stderr) != line.size()) {
    return posix::failWithErrno(errno);
  }
  std::fflush(stderr);
  return true;
}

int standardErrorTerminalWidth() {
  if (!isatty(STDERR_FILENO)) return 0;
  struct winsize size;
  // A terminal that does not tell its size is taken to be the usual 80.
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

bool toLocalTime(Time time, SystemTime& out) {
  if (!time.known()) return false;
  time_t t = static_cast<time_t>(time.seconds());
  struct tm local;
  // The offset of the file's own date, as the C library knows it.
  if (localtime_r(&t, &local) == nullptr) return false;
  int64_t year = static_cast<int64_t>(local.tm_year) + 1900;
  if (year < 1601 || year > 30827) return false;
  out.year = static_cast<uint16_t>(year);
  out.month = static_cast<uint16_t>(local.tm_mon + 1);
  out.dayOfWeek = static_cast<uint16_t>(local.tm_wday);
  out.day = static_cast<uint16_t>(local.tm_mday);
  out.hour = static_cast<uint16_t>(local.tm_hour);
  out.minute = static_cast<uint16_t>(local.tm_min);
  out.second = static_cast<uint16_t>(local.tm_sec);
  out.milliseconds = static_cast<uint16_t>(time.fraction() / 10000);
  return true;
}

SystemMessage::SystemMessage(uint32_t code) : text_(nullptr) {
  for (const SystemError& entry : ERRORS) {
    if (entry.code == code) {
      text_ = strdup(japaneseMessages() ? entry.japanese : entry.english);
      return;
    }
  }
}

SystemMessage::~SystemMessage() {
  std::free(text_);
}

namespace posix {

uint32_t errorFromErrno(int err) {
  if (err == 0) return 0;
  for (const SystemError& entry : ERRORS) {
    for (int value : entry.errnos) {
      if (value == err) return entry.code;
    }
  }
  return 31;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string expandHome(std::string_view native) {
  if (native.empty() || native[0] != '~') return std::string(native);
  size_t end = native.find('/');
  if (end == std::string_view::npos) end = native.size();
  std::string user(native.substr(1, end - 1));
  std::string home;
  if (user.empty()) home = environment("HOME");
  if (home.empty()) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (user.empty()) {
      getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    } else {
      getpwnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found);
    }
    if (found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] == '\0') {
      return std::string(native);
    }
    home = found->pw_dir;
  }
  return home + std::string(native.substr(end));
}

Time timeOf(const struct timespec& t) {
  // 1601-01-01 00:00:00 UTC, where the Windows file times begin, and the
  // second after their last.
  constexpr int64_t EARLIEST = -11644473600LL;
  constexpr int64_t LATEST = EARLIEST + INT64_MAX / Time::TICKS_PER_SECOND;
  int64_t seconds = static_cast<int64_t>(t.tv_sec);
  if (seconds < EARLIEST || seconds >= LATEST) return Time();
  return Time::fromSeconds(seconds, t.tv_nsec);
}

uint32_t missingPathCode(const std::string& native) {
  std::string parent = native.substr(0, lastComponentStart(native));
  struct stat st;
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? CODE_FILE_NOT_FOUND
                                                               : CODE_PATH_NOT_FOUND;
}

bool failWithErrno(int err) {
  setLastError(errorFromErrno(err));
  return false;
}

}  // namespace posix

}  // namespace qv
