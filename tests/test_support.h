// Helpers shared by the tests: a temporary directory that removes itself,
// file helpers on native (UTF-8) paths, and running the real quorvel program.
// Narrow literals in the tests are code page 932 like the program's own text;
// native names are written as u8"...".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::test {

// A fresh directory, by default under /tmp, readable and writable by every user so that
// the program can run in it as an unprivileged user; removed with everything
// in it (whatever its modes) on destruction.
class TempDir {
 public:
  // parent: where to make it (another file system, say).
  explicit TempDir(const std::string& parent = "/tmp");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's path, without a trailing separator.
  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Creates a directory and its missing parents (mode 0777 before umask).
void makeDirs(const std::string& path);
// Creates or replaces a file with content.
void writeFile(const std::string& path, const std::string& content = std::string());
// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);
bool exists(const std::string& path);
// Sets a file's modification time (seconds since the epoch, UTC).
void setModifiedTime(const std::string& path, int64_t seconds);

struct RunResult {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

struct RunOptions {
  std::string workingDirectory;          // empty: the current one
  std::vector<std::string> environment;  // extra NAME=value entries
  bool unprivileged = false;             // run as nobody when we are root
};

// Runs the quorvel program with arguments (as native bytes) and waits for it.
RunResult runQuorvel(const std::vector<std::string>& arguments,
                     const RunOptions& options = RunOptions());

// True when this process runs as root, whose access checks a mode cannot stop.
bool runningAsRoot();

// The lines joined, each followed by CR LF, as a report holds them.
std::string lines(const std::vector<std::string>& reportLines);

}  // namespace qv::test
