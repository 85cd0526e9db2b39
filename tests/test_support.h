// Helpers shared by the tests: a temporary directory that removes itself,
// file helpers on native paths, and running the real quorvel program.
//
// Narrow literals in the tests are code page 932 like the program's own text.
// Paths handed to these helpers are native: on POSIX UTF-8 with "/", on
// Windows code page 932 (the ANSI code page) with "\". A relative path given
// to TempDir's operator/ may use "/" on either; native() turns a CP932 name
// into its native form and sep() writes "/" as the platform's separator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv::test {

// The platform's path separator, as text.
extern const char* const SEPARATOR;

// True where two names that differ only in ASCII case are two entries.
extern const bool CASE_SENSITIVE_NAMES;

// text with each "/" replaced by the platform's separator.
std::string sep(const std::string& text);

// A fresh directory (by default in the system's temporary directory) that
// every user may read and write, so that the program can run in it as an
// unprivileged user; removed with everything in it (whatever its modes or
// attributes) on destruction.
class TempDir {
 public:
  // parent: where to make it (another file system, say); empty for the
  // system's temporary directory.
  explicit TempDir(const std::string& parent = std::string());
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The directory's path, without a trailing separator.
  const std::string& path() const { return path_; }
  // path(), the separator and relative with "/" written as the separator.
  std::string operator/(const std::string& relative) const {
    return path_ + SEPARATOR + sep(relative);
  }

 private:
  std::string path_;
};

// The native form of a code page 932 name or relative path: UTF-8 on POSIX,
// the bytes unchanged on Windows. Separators are left as they are.
std::string native(const std::string& cp932);
// The UTF-8 form of code page 932 text, on either platform: what a report
// with utf8 shows of a name that has a CP932 form.
std::string utf8Of(const std::string& cp932);

// Creates a directory and its missing parents (mode 0777 before umask).
void makeDirs(const std::string& path);
// Creates or replaces a file with content.
void writeFile(const std::string& path, const std::string& content = std::string());
// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);
bool exists(const std::string& path);
// The names in a directory, "." and ".." left out, sorted.
std::vector<std::string> listDirectory(const std::string& path);
// Sets a file's modification time (seconds since the epoch, UTC).
void setModifiedTime(const std::string& path, int64_t seconds);
// Sets a file's size, growing it without writing its blocks where it can.
void setFileSize(const std::string& path, int64_t size);
// Makes an entry whose name starts with "." hidden also where the name alone
// does not (on Windows, by its attribute).
void markHidden(const std::string& path);
// Makes a file that the program counts as a system entry: a FIFO on POSIX, a
// file with the system attribute on Windows.
void makeSystemEntry(const std::string& path);
// Takes away the write permission (POSIX) or sets the read-only attribute.
void makeReadOnly(const std::string& path);

// The current directory, and changing it; false when it cannot be changed.
std::string currentDirectory();
bool changeDirectory(const std::string& path);

// Makes path the current directory while it lives and puts the previous one
// back when it ends, however the test leaves its scope.
class CurrentDirectoryScope {
 public:
  explicit CurrentDirectoryScope(const std::string& path);
  ~CurrentDirectoryScope();
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

  // False when path could not be made the current directory.
  bool changed() const { return changed_; }

 private:
  std::string saved_;
  bool changed_;
};

// Sets or (value null) removes an environment variable of this process.
void setEnvironment(const char* name, const char* value);

// Makes local time Japan Standard Time (UTC+9, no summer time) for this
// process where it can be set, and tells whether local time is that now.
bool useJapanTime();

// While it lives, text files are associated with program (its full path, or a
// name found on the search path), or with nothing when program is empty: on
// POSIX through desktop files kept in dir, on Windows in the registry.
class TextAssociation {
 public:
  TextAssociation(const TempDir& dir, const std::string& program);
  ~TextAssociation();
  TextAssociation(const TextAssociation&) = delete;
  TextAssociation& operator=(const TextAssociation&) = delete;

 private:
  // What the platform had before, to put back: each setting's name and its
  // value, none when it was not set.
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A program that starts, ignores its arguments and ends.
extern const char* const HARMLESS_PROGRAM;

struct RunResult {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

struct RunOptions {
  std::string workingDirectory;          // empty: the current one
  std::vector<std::string> environment;  // extra NAME=value entries
  bool unprivileged = false;             // run as nobody when we are root (POSIX only)
  std::string program{};                 // empty: quorvelPath()
  // POSIX only: limits set for the program (0: inherited), and the working
  // directory removed after the program is in it.
  long stackLimitBytes = 0;
  long descriptorLimit = 0;
  long memoryLimitBytes = 0;  // of the address space
  bool removeWorkingDirectory = false;
};

// The quorvel program's path, as this platform's own programs name it.
std::string quorvelPath();

// Runs the quorvel program (or options.program) with arguments (as native
// bytes) and waits for it, reading its standard output and error as they come.
RunResult runQuorvel(const std::vector<std::string>& arguments,
                     const RunOptions& options = RunOptions());

// True when this process runs as root, whose access checks a mode cannot stop.
bool runningAsRoot();

// The lines joined, each followed by CR LF, as a report holds them.
std::string lines(const std::vector<std::string>& reportLines);

}  // namespace qv::test
