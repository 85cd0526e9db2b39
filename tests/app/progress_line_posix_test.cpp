// The progress line on a pseudo-terminal put in place of standard error:
// how it is paced, what a drawing holds, and when the command line shows it.
// The pace is set short by the test, so that nothing waits for the clock.
#include "app/progress_line.h"

#include <fcntl.h>
#include <locale.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/report_app.h"
#include "test_support.h"

namespace qv {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

// Too narrow for the whole path, whose start gives way to "...".
constexpr int WIDTH = 50;

// Columns that UTF-8 text takes on a terminal: two for each character of
// three or more bytes (the Japanese of the line), one for any other.
int columnsOf(const std::string& text) {
  int columns = 0;
  for (unsigned char byte : text) {
    if (byte < 0x80 || (byte >= 0xC0 && byte < 0xE0)) {
      ++columns;
    } else if (byte >= 0xE0) {
      columns += 2;
    }
  }
  return columns;
}

// Standard error is a terminal of WIDTH columns (or, with terminal false, a
// pipe) from construction to stop(), which returns all that was written to
// it. The locale is UTF-8 meanwhile, as a user's would be.
class StandardErrorCapture {
 public:
  explicit StandardErrorCapture(bool terminal) {
    setlocale(LC_ALL, "C.UTF-8");
    int writeEnd = -1;
    if (terminal) {
      readEnd_ = posix_openpt(O_RDWR | O_NOCTTY);
      EXPECT_GE(readEnd_, 0);
      EXPECT_EQ(grantpt(readEnd_), 0);
      EXPECT_EQ(unlockpt(readEnd_), 0);
      struct winsize size = {};
      size.ws_col = WIDTH;
      size.ws_row = 24;
      EXPECT_EQ(ioctl(readEnd_, TIOCSWINSZ, &size), 0);
      writeEnd = open(ptsname(readEnd_), O_RDWR | O_NOCTTY);
      // Bytes as they were written: no CR LF for a LF.
      struct termios modes;
      EXPECT_EQ(tcgetattr(writeEnd, &modes), 0);
      cfmakeraw(&modes);
      EXPECT_EQ(tcsetattr(writeEnd, TCSANOW, &modes), 0);
    } else {
      int ends[2];
      EXPECT_EQ(pipe(ends), 0);
      readEnd_ = ends[0];
      writeEnd = ends[1];
    }
    saved_ = dup(STDERR_FILENO);
    EXPECT_EQ(dup2(writeEnd, STDERR_FILENO), STDERR_FILENO);
    close(writeEnd);
    // A full terminal would hold up the writer for good.
    drain_ = std::thread([this] {
      char buffer[4096];
      ssize_t n;
      while ((n = read(readEnd_, buffer, sizeof buffer)) > 0) {
        text_.append(buffer, static_cast<size_t>(n));
      }
    });
  }
  ~StandardErrorCapture() { stop(); }

  std::string stop() {
    if (saved_ >= 0) {
      dup2(saved_, STDERR_FILENO);
      close(saved_);
      saved_ = -1;
      // The master reads EIO once no end of the terminal is open.
      drain_.join();
      close(readEnd_);
      setlocale(LC_ALL, "C");
    }
    return text_;
  }

 private:
  int readEnd_ = -1;
  int saved_ = -1;
  std::thread drain_;
  std::string text_;
};

// The drawings in what was shown, after checking that it ends with the line
// erased and that each drawing fills the line but its last column.
std::vector<std::string> drawingsIn(const std::string& shown) {
  const std::string erased = "\r" + std::string(WIDTH - 1, ' ') + "\r";
  std::vector<std::string> drawings;
  if (shown.empty()) return drawings;
  EXPECT_GE(shown.size(), erased.size());
  if (shown.size() < erased.size()) return drawings;
  EXPECT_EQ(shown.substr(shown.size() - erased.size()), erased);
  std::string rest = shown.substr(0, shown.size() - erased.size());
  for (size_t start = 0; start + 1 < rest.size();) {
    EXPECT_EQ(rest[start], '\r');
    size_t end = rest.find('\r', start + 1);
    EXPECT_NE(end, std::string::npos) << rest;
    if (end == std::string::npos) break;
    std::string line = rest.substr(start + 1, end - start - 1);
    EXPECT_EQ(columnsOf(line), WIDTH - 1) << line;
    drawings.push_back(line);
    start = end + 1;
  }
  return drawings;
}

TEST(ProgressLine, IsFirstDrawnWhenDueAndRedrawnAtMostOncePerPace) {
  struct Case {
    const char* name;
    ProgressPace pace;
    size_t drawings;
  } cases[] = {
      {"due at once, redrawn at every update", {milliseconds(0), milliseconds(0)}, 3},
      {"due at once, redrawn later", {milliseconds(0), hours(1)}, 1},
      {"not due yet", {hours(1), milliseconds(0)}, 0},
  };
  // Code page 932, as the walk gives it.
  const String directory("/srv/share/プロジェクト/2026/資料/とても長い名前のディレクトリ/");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StandardErrorCapture capture(true);
    {
      ProgressLine line(c.pace);
      WalkCounts counts;
      for (int i = 1; i <= 3; ++i) {
        counts.directories = static_cast<uint64_t>(i) * 1000;
        counts.files = static_cast<uint64_t>(i) * 12345;
        line.update(counts, directory);
      }
    }
    std::vector<std::string> drawings = drawingsIn(capture.stop());
    ASSERT_EQ(drawings.size(), c.drawings);
    for (const std::string& drawing : drawings) {
      EXPECT_NE(drawing.find(u8" ディレクトリ、"), std::string::npos) << drawing;
      EXPECT_NE(drawing.find(u8" ファイル  ..."), std::string::npos) << drawing;
      EXPECT_EQ(drawing.substr(drawing.size() - 7), u8"トリ/") << drawing;
    }
    if (!drawings.empty()) {
      EXPECT_EQ(drawings[0].rfind(u8"1,000 ディレクトリ、12,345 ファイル", 0), 0u) << drawings[0];
    }
  }
}

// The command line, in this process, on a small tree.
TEST(ProgressLine, TheCommandLineShowsItOnlyOnATerminalAndNotWithNe) {
  test::TempDir dir;
  for (int d = 0; d < 3; ++d) {
    test::makeDirs(dir / ("in/d" + std::to_string(d)));
    test::writeFile(dir / ("in/d" + std::to_string(d) + "/f"));
  }
  struct Case {
    const char* name;
    std::vector<std::string> extra;
    bool terminal;
    bool shown;
  } cases[] = {
      {"terminal", {}, true, true},
      {"terminal, ne", {"ne"}, true, false},
      {"a pipe", {}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Path> arguments = {"in", Path::fromNative(dir / "in/"), "out",
                                   Path::fromNative(dir / "r.txt")};
    for (const std::string& extra : c.extra) arguments.push_back(Path::fromNative(extra));
    StandardErrorCapture capture(c.terminal);
    ReportApp app;
    app.setProgressPace({milliseconds(0), milliseconds(0)});
    EXPECT_EQ(app.run(arguments), 0);
    std::string shown = capture.stop();
    if (!c.shown) {
      EXPECT_EQ(shown, "");
      continue;
    }
    std::vector<std::string> drawings = drawingsIn(shown);
    ASSERT_FALSE(drawings.empty()) << "never drawn";
    EXPECT_NE(drawings.back().find("/in/d"), std::string::npos) << drawings.back();
  }
}

}  // namespace
}  // namespace qv
