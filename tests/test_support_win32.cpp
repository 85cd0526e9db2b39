#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "test_support.h"

namespace qv::test {

const char* const SEPARATOR = "\\";
const bool CASE_SENSITIVE_NAMES = false;

namespace {

void check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error(what + " failed, error " + std::to_string(GetLastError()));
}

// Read-only and other attributes set by a test must not stop the clean-up.
void removeTree(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(full);
      } else {
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

// Owns a handle from CreateFileA.
class FileHandle {
 public:
  FileHandle(const std::string& path, DWORD access, DWORD creation, DWORD flags = 0)
      : handle_(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            creation, FILE_ATTRIBUTE_NORMAL | flags, nullptr)) {}
  ~FileHandle() {
    if (ok()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

void addAttributes(const std::string& path, DWORD bits) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  check(attributes != INVALID_FILE_ATTRIBUTES, "GetFileAttributesA " + path);
  check(SetFileAttributesA(path.c_str(), (attributes & ~FILE_ATTRIBUTE_DIRECTORY) | bits),
        "SetFileAttributesA " + path);
}

// One argument quoted so that the runtime's splitting gives it back
// unchanged: backslashes double only before a quote, and a double-byte
// character is passed whole, its trail byte never read as a backslash.
std::string quote(const std::string& argument) {
  std::string result = "\"";
  size_t backslashes = 0;
  for (size_t i = 0; i < argument.size(); ++i) {
    char c = argument[i];
    if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < argument.size()) {
      result += c;
      result += argument[++i];
      backslashes = 0;
    } else if (c == '\\') {
      result += c;
      ++backslashes;
    } else if (c == '"') {
      result.append(backslashes + 1, '\\');
      result += c;
      backslashes = 0;
    } else {
      result += c;
      backslashes = 0;
    }
  }
  result.append(backslashes, '\\');
  return result + "\"";
}

}  // namespace

// Built on a POSIX host for Wine, the path is a Unix one, which Wine turns
// into one of its drive paths.
std::string quorvelPath() {
  std::string path = QUORVEL_EXECUTABLE;
  if (path.empty() || path[0] != '/') return path;
  using ToDos = WCHAR* (*)(const char*);
  auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_dos_file_name")));
  if (toDos == nullptr) return path;
  WCHAR* dos = toDos(path.c_str());
  if (dos == nullptr) return path;
  char buffer[MAX_PATH * 2];
  int length = WideCharToMultiByte(CP_ACP, 0, dos, -1, buffer, sizeof buffer, nullptr, nullptr);
  HeapFree(GetProcessHeap(), 0, dos);
  return length > 0 ? std::string(buffer) : path;
}

namespace {

// This process's environment with entries replaced or added, as a block.
std::string environmentBlock(const std::vector<std::string>& extra) {
  std::vector<std::string> entries;
  char* block = GetEnvironmentStringsA();
  for (const char* p = block; *p != '\0'; p += std::string(p).size() + 1) entries.push_back(p);
  FreeEnvironmentStringsA(block);
  for (const std::string& entry : extra) {
    std::string name = entry.substr(0, entry.find('=') + 1);
    for (auto it = entries.begin(); it != entries.end();) {
      bool same = it->size() >= name.size() &&
                  CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, it->c_str(),
                                 static_cast<int>(name.size()), name.c_str(),
                                 static_cast<int>(name.size())) == CSTR_EQUAL;
      it = same ? entries.erase(it) : it + 1;
    }
    entries.push_back(entry);
  }
  std::string result;
  for (const std::string& entry : entries) result += entry + '\0';
  return result + '\0';
}

std::string readAll(HANDLE pipe) {
  std::string text;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    text.append(buffer, count);
  }
  return text;
}

// Appends what the pipe holds now to text, without waiting for more.
void drainAvailable(HANDLE pipe, std::string& text) {
  char buffer[4096];
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    DWORD count = 0;
    DWORD wanted = available < sizeof buffer ? available : sizeof buffer;
    if (!ReadFile(pipe, buffer, wanted, &count, nullptr) || count == 0) return;
    text.append(buffer, count);
  }
}

}  // namespace

TempDir::TempDir(const std::string& parent) {
  std::string base = parent;
  if (base.empty()) {
    char buffer[MAX_PATH];
    DWORD length = GetTempPathA(sizeof buffer, buffer);
    check(length > 0 && length < sizeof buffer, "GetTempPathA");
    base.assign(buffer, length);
  }
  if (base.back() == '\\') base.pop_back();
  static unsigned counter = 0;
  for (;;) {
    path_ = base + "\\quorvel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    if (CreateDirectoryA(path_.c_str(), nullptr)) return;
    check(GetLastError() == ERROR_ALREADY_EXISTS, "CreateDirectoryA " + path_);
  }
}

TempDir::~TempDir() {
  removeTree(path_);
}

void makeDirs(const std::string& path) {
  // From the first separator after a drive ("C:\") or the start.
  for (size_t at = path.find('\\', 3);; at = path.find('\\', at + 1)) {
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    if (at == std::string::npos) break;
  }
}

void writeFile(const std::string& path, const std::string& content) {
  // Opened, then emptied: creating over a hidden or system file is refused.
  FileHandle file(path, GENERIC_WRITE, OPEN_ALWAYS);
  check(file.ok(), "CreateFileA " + path);
  check(SetEndOfFile(file.get()) != FALSE, "SetEndOfFile " + path);
  DWORD written = 0;
  check(content.empty() || (WriteFile(file.get(), content.data(),
                                      static_cast<DWORD>(content.size()), &written, nullptr) &&
                            written == content.size()),
        "WriteFile " + path);
}

std::string readFile(const std::string& path) {
  FileHandle file(path, GENERIC_READ, OPEN_EXISTING);
  return file.ok() ? readAll(file.get()) : std::string();
}

std::vector<std::string> listDirectory(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void setModifiedTime(const std::string& path, int64_t seconds) {
  int64_t ticks = (seconds + 11644473600LL) * 10000000LL;
  if (ticks < 0) throw std::runtime_error("no file time before 1601");
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  FileHandle file(path, FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  check(file.ok() && SetFileTime(file.get(), nullptr, nullptr, &time), "SetFileTime " + path);
}

void setFileSize(const std::string& path, int64_t size) {
  FileHandle file(path, GENERIC_WRITE, OPEN_EXISTING);
  LARGE_INTEGER distance;
  distance.QuadPart = size;
  check(file.ok() && SetFilePointerEx(file.get(), distance, nullptr, FILE_BEGIN) &&
            SetEndOfFile(file.get()),
        "SetEndOfFile " + path);
}

void markHidden(const std::string& path) {
  addAttributes(path, FILE_ATTRIBUTE_HIDDEN);
}

void makeSystemEntry(const std::string& path) {
  writeFile(path);
  addAttributes(path, FILE_ATTRIBUTE_SYSTEM);
}

void makeReadOnly(const std::string& path) {
  addAttributes(path, FILE_ATTRIBUTE_READONLY);
}

std::string native(const std::string& cp932) {
  return cp932;
}

std::string utf8Of(const std::string& cp932) {
  int wide = MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), text.data(), wide);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::string currentDirectory() {
  char buffer[MAX_PATH];
  DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

bool changeDirectory(const std::string& path) {
  return SetCurrentDirectoryA(path.c_str()) != FALSE;
}

void setEnvironment(const char* name, const char* value) {
  SetEnvironmentVariableA(name, value);
}

bool useJapanTime() {
  // The zone is the system's; the test run sets it for the whole process.
  TIME_ZONE_INFORMATION zone;
  DWORD kind = GetTimeZoneInformation(&zone);
  return kind != TIME_ZONE_ID_INVALID && zone.Bias == -540 &&
         (kind == TIME_ZONE_ID_UNKNOWN || zone.DaylightDate.wMonth == 0);
}

bool runningAsRoot() {
  return false;
}

RunResult runQuorvel(const std::vector<std::string>& arguments, const RunOptions& options) {
  if (options.unprivileged) throw std::runtime_error("no unprivileged runs on Windows");
  if (options.stackLimitBytes != 0 || options.descriptorLimit != 0 ||
      options.removeWorkingDirectory) {
    throw std::runtime_error("no process limits on Windows");
  }
  std::string program = options.program.empty() ? quorvelPath() : options.program;
  std::string commandLine = quote(program);
  for (const std::string& argument : arguments) commandLine += " " + quote(argument);

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  check(
      CreatePipe(&outRead, &outWrite, &inherit, 0) && CreatePipe(&errRead, &errWrite, &inherit, 0),
      "CreatePipe");
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  std::string environment = environmentBlock(options.environment);
  PROCESS_INFORMATION process = {};
  BOOL started =
      CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, &environment[0],
                     options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(),
                     &startup, &process);
  DWORD startError = GetLastError();
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  RunResult result;
  if (started) {
    // Both pipes are drained while the program runs and once more after it
    // has ended; their end is never waited for, because the desktop process
    // that Wine starts for the first window of a fresh server inherits them
    // and keeps them open.
    for (;;) {
      bool ended = WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0;
      drainAvailable(outRead, result.out);
      drainAvailable(errRead, result.err);
      if (ended) break;
    }
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) result.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  if (!started) {
    throw std::runtime_error("cannot start " + program + ", error " + std::to_string(startError));
  }
  return result;
}

namespace {

const char* const TEST_TYPE = "QuorvelTest.Association";

void setDefaultValue(const std::string& subkey, const std::string& text) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subkey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
}

void removeAssociation() {
  for (std::string key :
       {std::string(TEST_TYPE) + "\\shell\\open\\command", std::string(TEST_TYPE) + "\\shell\\open",
        std::string(TEST_TYPE) + "\\shell", std::string(TEST_TYPE), std::string(".txt")}) {
    RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
  }
}

}  // namespace

const char* const HARMLESS_PROGRAM = "C:\\windows\\system32\\hostname.exe";

TextAssociation::TextAssociation(const TempDir&, const std::string& program) {
  char buffer[1024];
  DWORD size = sizeof buffer;
  if (RegGetValueA(HKEY_CLASSES_ROOT, ".txt", "", RRF_RT_REG_SZ, nullptr, buffer, &size) ==
      ERROR_SUCCESS) {
    saved_.emplace_back(".txt", buffer);
  }
  removeAssociation();
  if (program.empty()) return;
  setDefaultValue(".txt", TEST_TYPE);
  setDefaultValue(std::string(TEST_TYPE) + "\\shell\\open\\command", "\"" + program + "\" \"%1\"");
}

TextAssociation::~TextAssociation() {
  removeAssociation();
  for (const auto& [subkey, value] : saved_) setDefaultValue(subkey, *value);
}

}  // namespace qv::test
