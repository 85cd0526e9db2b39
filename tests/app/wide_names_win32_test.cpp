// Names and paths that code page 932 cannot carry, on Windows: the real
// quorvel.exe is run with a wide command line (CreateProcessW) on trees made
// with the W calls, as a user whose files come from Macs, phones and other
// languages has them. Every directory shown must be the one that is there,
// nothing outside the tree may be looked at, and the report may go nowhere
// but where the user said.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace qv::test {
namespace {

const wchar_t YEN[] = L"\u00A5";
const wchar_t E_ACUTE[] = L"\u00E9";

std::wstring widen(const std::string& cp932) {
  int length =
      MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(932, 0, cp932.data(), static_cast<int>(cp932.size()), wide.data(), length);
  return wide;
}

std::wstring extended(const std::wstring& path) {
  return L"\\\\?\\" + path;
}

void makeDirectory(const std::wstring& path) {
  ASSERT_TRUE(CreateDirectoryW(extended(path).c_str(), nullptr) ||
              GetLastError() == ERROR_ALREADY_EXISTS)
      << "error " << GetLastError();
}

void writeWide(const std::wstring& path, const std::string& content = std::string()) {
  HANDLE file = CreateFileW(extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

// The file's bytes; "(none)" when it cannot be opened.
std::string readWide(const std::wstring& path) {
  HANDLE file = CreateFileW(extended(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(none)";
  std::string content;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    content.append(buffer, count);
  }
  CloseHandle(file);
  return content;
}

void removeTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(extended(path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      SetFileAttributesW(extended(child).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        removeTree(child);
      } else {
        DeleteFileW(extended(child).c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(extended(path).c_str());
}

// An argument quoted as the runtime splits it back.
std::wstring quote(const std::wstring& argument) {
  std::wstring result = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
    } else {
      if (c == L'"') result.append(backslashes + 1, L'\\');
      backslashes = 0;
    }
    result += c;
  }
  result.append(backslashes, L'\\');
  return result + L"\"";
}

// Runs quorvel.exe with arguments in dir; its exit status, or -1.
int runWide(const std::vector<std::wstring>& arguments, const std::wstring& dir) {
  std::wstring program = widen(quorvelPath());
  std::wstring commandLine = quote(program);
  for (const std::wstring& argument : arguments) commandLine += L" " + quote(argument);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.c_str(), &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 120000);
  DWORD code = 0;
  int status = GetExitCodeProcess(process.hProcess, &code) ? static_cast<int>(code) : -1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

// The report's lines after the header, sorted: the platform's scan order is
// not the test's business.
std::vector<std::string> bodySorted(const std::string& report) {
  std::vector<std::string> result;
  size_t start = report.find("\r\n");
  while (start != std::string::npos && start + 2 < report.size()) {
    size_t end = report.find("\r\n", start + 2);
    result.push_back(report.substr(start + 2, end - start - 2));
    start = end;
  }
  std::sort(result.begin(), result.end());
  return result;
}

std::string headerOf(const std::string& report) {
  return report.substr(0, report.find("\r\n"));
}

class WideNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_.path() + "\\w";
    wroot_ = widen(root_);
    makeDirectory(wroot_);
    makeDirectory(wroot_ + L"\\t");
  }
  void TearDown() override { removeTree(wroot_); }

  // Lists t\ (with extra options) into r.txt beside it and returns the report.
  std::string list(const std::vector<std::wstring>& options) {
    std::vector<std::wstring> arguments = {L"in", wroot_ + L"\\t\\", L"out", wroot_ + L"\\r.txt"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    EXPECT_EQ(runWide(arguments, wroot_), 0);
    return readWide(wroot_ + L"\\r.txt");
  }

  TempDir dir_;
  std::string root_;    // CP932, as the report shows it
  std::wstring wroot_;  // the same, wide
};

TEST_F(WideNamesTest, AYenSignIsNoSeparatorAndNothingOutsideTheTreeIsListed) {
  // In code page 932 the yen sign best-fits to "\": "..¥secret" read through
  // the ANSI calls is "..\secret", the directory beside the tree.
  makeDirectory(wroot_ + L"\\t\\.." + YEN + L"secret");
  writeWide(wroot_ + L"\\t\\.." + YEN + L"secret\\inside.txt");
  makeDirectory(wroot_ + L"\\secret");
  writeWide(wroot_ + L"\\secret\\outside.txt");
  // Wine makes a name that starts with a dot hidden.
  std::string report = list({L"hidden"});
  EXPECT_EQ(report, lines({"[" + root_ + "\\t\\]", "└[..?secret]", "　└inside.txt"}));
}

TEST_F(WideNamesTest, EachOfTwoLookAlikeDirectoriesListsItsOwnFiles) {
  // a¥b beside a\b, café beside cafe: each directory once, with its own files.
  const std::string t = root_ + "\\t\\";
  makeDirectory(wroot_ + L"\\t\\a" + YEN + L"b");
  writeWide(wroot_ + L"\\t\\a" + YEN + L"b\\yen.txt");
  makeDirectory(wroot_ + L"\\t\\a");
  makeDirectory(wroot_ + L"\\t\\a\\b");
  writeWide(wroot_ + L"\\t\\a\\b\\real.txt");
  makeDirectory(wroot_ + L"\\t\\caf" + E_ACUTE);
  writeWide(wroot_ + L"\\t\\caf" + E_ACUTE + L"\\accented.txt");
  makeDirectory(wroot_ + L"\\t\\cafe");
  writeWide(wroot_ + L"\\t\\cafe\\plain.txt");
  std::string report = list({L"p"});
  EXPECT_EQ(headerOf(report), "[" + t + "]");
  EXPECT_EQ(bodySorted(report),
            (std::vector<std::string>{t + "a?b\\yen.txt", t + "a\\b\\real.txt",
                                      t + "caf?\\accented.txt", t + "cafe\\plain.txt"}));
}

TEST_F(WideNamesTest, NamesWithoutACp932FormAreEnteredAndShownWithAQuestionMarkEach) {
  const std::string t = root_ + "\\t\\";
  makeDirectory(wroot_ + L"\\t\\\U0001F600");  // an emoji: one character, two UTF-16 units
  writeWide(wroot_ + L"\\t\\\U0001F600\\emoji.txt");
  makeDirectory(wroot_ + L"\\t\\\uD55C\uAE00");  // Hangul
  writeWide(wroot_ + L"\\t\\\uD55C\uAE00\\hangul.txt");
  makeDirectory(wroot_ + L"\\t\\a\u301Cb");  // the wave dash of Mac-made Japanese names
  writeWide(wroot_ + L"\\t\\a\u301Cb\\wave.txt");
  std::string report = list({L"p"});
  EXPECT_EQ(bodySorted(report), (std::vector<std::string>{t + "??\\hangul.txt", t + "?\\emoji.txt",
                                                          t + "a?b\\wave.txt"}));
}

TEST_F(WideNamesTest, Utf8ReportsCarryTheNamesThemselves) {
  makeDirectory(wroot_ + L"\\t\\caf" + E_ACUTE);
  writeWide(wroot_ + L"\\t\\caf" + E_ACUTE + L"\\\U0001F600.txt");
  makeDirectory(wroot_ + L"\\t\\.." + YEN + L"secret");
  writeWide(wroot_ + L"\\t\\.." + YEN + L"secret\\a\u301Cb.txt");
  std::string report = list({L"p", L"utf8", L"hidden"});
  // The temporary directory's path is ASCII; the names are written as UTF-8.
  const std::string t = root_ + "\\t\\";
  EXPECT_EQ(headerOf(report), "[" + t + "]");
  const std::string yen = "\xC2\xA5", wave = "\xE3\x80\x9C", eAcute = "\xC3\xA9";
  const std::string emoji = "\xF0\x9F\x98\x80";
  EXPECT_EQ(bodySorted(report),
            (std::vector<std::string>{t + ".." + yen + "secret\\a" + wave + "b.txt",
                                      t + "caf" + eAcute + "\\" + emoji + ".txt"}));
}

TEST_F(WideNamesTest, PathsOfAnyLengthAreListedWhole) {
  for (size_t length : {330u, 1000u}) {
    SCOPED_TRACE(length);
    removeTree(wroot_ + L"\\t");
    makeDirectory(wroot_ + L"\\t");
    // Levels of 50 characters, then a file whose name makes the length.
    std::wstring path = wroot_ + L"\\t";
    while (path.size() + 1 + 50 + 1 + 10 < length) {
      path += L"\\" + std::wstring(50, L'd');
      makeDirectory(path);
    }
    std::wstring file = path + L"\\" + std::wstring(length - path.size() - 1 - 4, L'f') + L".txt";
    ASSERT_EQ(file.size(), length);
    writeWide(file);
    std::string full(file.begin(), file.end());  // ASCII
    std::string report = list({L"p", L"f"});
    EXPECT_EQ(bodySorted(report), (std::vector<std::string>{full + "  file://" + full}));
  }
}

TEST_F(WideNamesTest, InAndOutReachTheDirectoryAndFileTheUserNamed) {
  // "café" given, "cafe" beside it: the look-alike's r.txt is nobody's.
  std::wstring cafe = wroot_ + L"\\t\\caf" + E_ACUTE;
  makeDirectory(cafe);
  writeWide(cafe + L"\\mine.txt");
  makeDirectory(wroot_ + L"\\t\\cafe");
  writeWide(wroot_ + L"\\t\\cafe\\r.txt", "keep");
  EXPECT_EQ(runWide({L"in", cafe + L"\\", L"out", cafe + L"\\r.txt"}, wroot_), 0);
  EXPECT_EQ(readWide(wroot_ + L"\\t\\cafe\\r.txt"), "keep");
  EXPECT_EQ(readWide(cafe + L"\\r.txt"), lines({"[" + root_ + "\\t\\caf?\\]", "└mine.txt"}));
}

}  // namespace
}  // namespace qv::test
