#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/platform.h"
#include "base/platform_posix.h"

extern char** environ;

namespace qv {

namespace {

enum class Lookup { FOUND, NOT_EXECUTABLE, MISSING };

Lookup checkProgramFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return Lookup::MISSING;
  if (S_ISDIR(st.st_mode) || access(path.c_str(), X_OK) != 0) return Lookup::NOT_EXECUTABLE;
  return Lookup::FOUND;
}

// The search execvp() makes: a name with a '/' is a path; any other name is
// looked for in each PATH directory in turn, an empty entry meaning the
// current directory. The search is done here rather than by exec so that the
// caller can tell a missing program from one that failed to start.
Lookup findProgram(const std::string& name, std::string& path) {
  if (name.empty()) return Lookup::MISSING;
  if (name.find('/') != std::string::npos) {
    path = name;
    return checkProgramFile(name);
  }
  const char* searchPath = std::getenv("PATH");
  std::string dirs = searchPath != nullptr ? searchPath : "/bin:/usr/bin";
  Lookup best = Lookup::MISSING;
  size_t start = 0;
  for (;;) {
    size_t end = dirs.find(':', start);
    std::string dir =
        dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
    Lookup found = checkProgramFile(candidate);
    if (found == Lookup::FOUND) {
      path = candidate;
      return found;
    }
    if (found == Lookup::NOT_EXECUTABLE) best = found;
    if (end == std::string::npos) return best;
    start = end + 1;
  }
}

std::vector<std::string> splitWords(const std::string& text) {
  std::vector<std::string> words;
  size_t start = text.find_first_not_of(' ');
  while (start != std::string::npos) {
    size_t end = text.find(' ', start);
    words.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = text.find_first_not_of(' ', end);
  }
  return words;
}

void reportError(int fd, int err) {
  ssize_t written = write(fd, &err, sizeof err);
  (void)written;
}

// Runs in the grandchild, which may only make async-signal-safe calls: the
// parent may have other threads. The signal state is reset because ignored
// signals and the mask survive exec.
[[noreturn]] void execProgram(const char* path, char* const* argv, int input, int errorPipe) {
  setsid();
  if (input == STDIN_FILENO) {
    fcntl(input, F_SETFD, 0);
  } else if (input >= 0) {
    dup2(input, STDIN_FILENO);
    close(input);
  }
  struct sigaction defaultAction;
  std::memset(&defaultAction, 0, sizeof defaultAction);
  defaultAction.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &defaultAction, nullptr);
  sigaction(SIGCHLD, &defaultAction, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execve(path, argv, environ);
  reportError(errorPipe, errno);
  _exit(127);
}

// Starts the program at path with args and does not wait for it.
bool spawn(std::vector<std::string> args, const std::string& path) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(&arg[0]);
  argv.push_back(nullptr);

  // The program is started from a short-lived child and so becomes the child
  // of init, which reaps it: this process neither waits for it nor leaves a
  // zombie. The pipe closes on a successful exec and otherwise carries errno.
  int errorPipe[2];
  if (pipe2(errorPipe, O_CLOEXEC) != 0) return posix::failWithErrno(errno);
  int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  pid_t child = fork();
  if (child == 0) {
    close(errorPipe[0]);
    pid_t grandchild = fork();
    if (grandchild == 0) execProgram(path.c_str(), argv.data(), input, errorPipe[1]);
    if (grandchild < 0) reportError(errorPipe[1], errno);
    _exit(0);
  }
  int forkError = errno;
  close(errorPipe[1]);
  if (input >= 0) close(input);
  if (child < 0) {
    close(errorPipe[0]);
    return posix::failWithErrno(forkError);
  }
  // ECHILD here means SIGCHLD is ignored and the child was reaped already.
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  int execError = 0;
  ssize_t got;
  do {
    got = read(errorPipe[0], &execError, sizeof execError);
  } while (got < 0 && errno == EINTR);
  close(errorPipe[0]);
  if (got == static_cast<ssize_t>(sizeof execError)) return posix::failWithErrno(execError);
  return true;
}

}  // namespace

bool startProgram(const char* program, const NativeString& parameters) {
  if (program == nullptr) {
    setLastError(CODE_INVALID_PARAMETER);
    return false;
  }

  // Association commands often carry options before the file placeholder
  // ("kate -b"): when no program has the whole name, the first word is the
  // program and the others are its first arguments.
  std::string command;
  posix::toUtf8(program, command);
  std::vector<std::string> args{command};
  std::string path;
  Lookup found = findProgram(command, path);
  if (found == Lookup::MISSING) {
    std::vector<std::string> words = splitWords(command);
    if (!words.empty() && (words.size() > 1 || words[0] != command)) {
      found = findProgram(words[0], path);
      args = words;
    }
  }
  if (found != Lookup::FOUND) {
    setLastError(found == Lookup::MISSING ? CODE_FILE_NOT_FOUND : CODE_ACCESS_DENIED);
    return false;
  }
  if (!parameters.empty()) args.push_back(parameters);
  return spawn(args, path);
}

bool posix::startArguments(const std::vector<std::string>& arguments) {
  std::string path;
  Lookup found = arguments.empty() ? Lookup::MISSING : findProgram(arguments[0], path);
  if (found != Lookup::FOUND) {
    setLastError(found == Lookup::MISSING ? CODE_FILE_NOT_FOUND : CODE_ACCESS_DENIED);
    return false;
  }
  return spawn(arguments, path);
}

uint32_t expandEnvironmentStrings(const char* source, char* buffer, uint32_t size) {
  if (source == nullptr) {
    setLastError(CODE_INVALID_PARAMETER);
    return 0;
  }
  // '%' is never the trail byte of a double-byte character, so the text can
  // be scanned byte by byte.
  std::string result;
  const char* p = source;
  while (*p != '\0') {
    if (*p != '%') {
      result += *p++;
      continue;
    }
    const char* end = std::strchr(p + 1, '%');
    if (end == nullptr) {
      result += p;
      break;
    }
    std::string name(p + 1, end);
    const char* value = nullptr;
    if (!name.empty() && name.find('=') == std::string::npos) value = std::getenv(name.c_str());
    if (value != nullptr) {
      result += value;
    } else {
      result.append(p, end + 1);
    }
    p = end + 1;
  }
  uint32_t needed = static_cast<uint32_t>(result.size()) + 1;
  if (buffer != nullptr && needed <= size) std::memcpy(buffer, result.c_str(), needed);
  return needed;
}

}  // namespace qv
