#include "test_support.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <iconv.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qv::test {

const char* const SEPARATOR = "/";
const bool CASE_SENSITIVE_NAMES = true;

namespace {

constexpr uid_t NOBODY = 65534;

void removeTree(const std::string& path) {
  // Modes set by a test must not stop the clean-up.
  std::string command = "chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'";
  if (std::system(command.c_str()) != 0) {
    // Nothing more can be done in a destructor.
  }
}

// Reads both pipes until both are closed, whichever the child fills first, so
// that a child blocked on a full pipe never waits for us.
void readBoth(int outFd, int errFd, std::string& out, std::string& err) {
  struct pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* texts[2] = {&out, &err};
  char buffer[4096];
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("poll failed");
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        texts[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
      }
    }
  }
}

}  // namespace

TempDir::TempDir(const std::string& parent) {
  std::string pattern = (parent.empty() ? "/tmp" : parent) + "/quorvel-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  chmod(path_.c_str(), 0777);
}

TempDir::~TempDir() {
  removeTree(path_);
}

void makeDirs(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    mkdir(part.c_str(), 0777);
    if (slash == std::string::npos) break;
  }
}

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
  if (!file) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

bool exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> listDirectory(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void setModifiedTime(const std::string& path, int64_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(seconds);
  times[0].tv_nsec = 0;
  times[1] = times[0];
  if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    throw std::runtime_error("cannot set the time of " + path);
  }
}

void setFileSize(const std::string& path, int64_t size) {
  if (truncate(path.c_str(), static_cast<off_t>(size)) != 0) {
    throw std::runtime_error("cannot set the size of " + path);
  }
}

void markHidden(const std::string&) {
  // The leading "." is what hides an entry here.
}

void makeSystemEntry(const std::string& path) {
  if (mkfifo(path.c_str(), 0644) != 0) throw std::runtime_error("cannot make FIFO " + path);
}

void makeReadOnly(const std::string& path) {
  if (chmod(path.c_str(), 0444) != 0) throw std::runtime_error("cannot chmod " + path);
}

std::string native(const std::string& cp932) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
  std::string out(cp932.size() * 3 + 1, '\0');
  char* in = const_cast<char*>(cp932.data());
  size_t inLeft = cp932.size();
  char* to = &out[0];
  size_t outLeft = out.size();
  size_t result = iconv(cd, &in, &inLeft, &to, &outLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) throw std::runtime_error("not CP932: " + cp932);
  out.resize(out.size() - outLeft);
  return out;
}

std::string utf8Of(const std::string& cp932) {
  return native(cp932);
}

std::string currentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

bool changeDirectory(const std::string& path) {
  return chdir(path.c_str()) == 0;
}

void setEnvironment(const char* name, const char* value) {
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

bool useJapanTime() {
  setenv("TZ", "JST-9", 1);
  tzset();
  return true;
}

std::string quorvelPath() {
  return QUORVEL_EXECUTABLE;
}

bool runningAsRoot() {
  return geteuid() == 0;
}

RunResult runQuorvel(const std::vector<std::string>& arguments, const RunOptions& options) {
  const std::string program = options.program.empty() ? quorvelPath() : options.program;
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]), close(out[1]), close(err[0]), close(err[1]);
    int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, 0);
    if (devNull > 0) close(devNull);
    if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0)
      _exit(126);
    if (options.removeWorkingDirectory && rmdir(options.workingDirectory.c_str()) != 0) _exit(126);
    if (options.stackLimitBytes > 0) {
      rlimit limit{static_cast<rlim_t>(options.stackLimitBytes),
                   static_cast<rlim_t>(options.stackLimitBytes)};
      if (setrlimit(RLIMIT_STACK, &limit) != 0) _exit(126);
    }
    if (options.memoryLimitBytes > 0) {
      rlimit limit{static_cast<rlim_t>(options.memoryLimitBytes),
                   static_cast<rlim_t>(options.memoryLimitBytes)};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
    }
    if (options.descriptorLimit > 0) {
      // Nothing the test process inherited counts against the limit.
      for (int fd = 3; fd < 1024; ++fd) close(fd);
      rlimit limit{static_cast<rlim_t>(options.descriptorLimit),
                   static_cast<rlim_t>(options.descriptorLimit)};
      if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(126);
    }
    for (const std::string& entry : options.environment) putenv(strdup(entry.c_str()));
    if (options.unprivileged && geteuid() == 0) {
      // Dropping to nobody takes away the capabilities that let root read
      // mode-000 directories and write read-only files.
      if (setgroups(0, nullptr) != 0 || setresgid(NOBODY, NOBODY, NOBODY) != 0 ||
          setresuid(NOBODY, NOBODY, NOBODY) != 0) {
        _exit(125);
      }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  RunResult result;
  readBoth(out[0], err[0], result.out, result.err);
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

namespace {

const char* const XDG_VARIABLES[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME",
                                     "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP"};

}  // namespace

const char* const HARMLESS_PROGRAM = "true";

TextAssociation::TextAssociation(const TempDir& dir, const std::string& program) {
  for (const char* name : XDG_VARIABLES) {
    const char* value = getenv(name);
    saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
  }
  std::string root = dir / "association";
  makeDirs(root + "/config");
  makeDirs(root + "/data/applications");
  if (!program.empty()) {
    writeFile(root + "/config/mimeapps.list",
              "[Default Applications]\ntext/plain=quorvel-test.desktop\n");
    writeFile(root + "/data/applications/quorvel-test.desktop",
              "[Desktop Entry]\nType=Application\nName=Test\nExec=" + program + " %U\n");
  }
  setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
  setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", (root + "/none").c_str(), 1);
  setenv("XDG_DATA_DIRS", (root + "/none").c_str(), 1);
  unsetenv("XDG_CURRENT_DESKTOP");
}

TextAssociation::~TextAssociation() {
  for (const auto& [name, value] : saved_)
    setEnvironment(name.c_str(), value ? value->c_str() : nullptr);
}

}  // namespace qv::test
