// The dialog mode of the real program on a virtual X display: a run without
// arguments opens the main dialog, which asks the window manager for a close
// box alone, and closing it ends the program with status 0.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "test_support.h"

namespace
{

// The two ends of a pipe, closed when it goes.
class Pipe
{
public:
    Pipe()
    {
        if (pipe(ends) != 0) ends[0] = ends[1] = -1;
    }
    ~Pipe()
    {
        closeEnd(0);
        closeEnd(1);
    }
    Pipe(const Pipe &) = delete;
    Pipe &operator=(const Pipe &) = delete;

    void closeEnd(int end)
    {
        if (ends[end] >= 0) close(ends[end]);
        ends[end] = -1;
    }

    int ends[2];
};

// An Xvfb server on a display of its own for the length of a test. Xvfb
// picks the display: with -displayfd it takes the first one free and writes
// its number to the pipe once it accepts clients, so tests that start
// servers at once never pick the same display.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        Pipe number;
        if (number.ends[0] < 0) return;
        pid = fork();
        if (pid == 0) {
            close(number.ends[0]);
            const std::string fd = std::to_string(number.ends[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                "-nolisten", "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        number.closeEnd(1);
        if (pid < 0) return;
        // The number and a line end; nothing, when Xvfb ends first.
        std::string text;
        pollfd readable = { number.ends[0], POLLIN, 0 };
        char ch = 0;
        while (poll(&readable, 1, 20000) == 1 && read(number.ends[0], &ch, 1) == 1 && ch != '\n')
            text += ch;
        if (ch == '\n' && !text.empty()) {
            name = ":" + text;
        } else {
            stop();
        }
    }
    ~VirtualDisplay() { stop(); }

    std::string name;
    pid_t pid = -1;

private:
    void stop()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
};

// Runs a shell command with DISPLAY set; true when it succeeded.
bool onDisplay(const std::string &display, const std::string &command)
{
    return std::system(("export DISPLAY=" + display + "; " + command).c_str()) == 0;
}

// The standard output of a shell command run with DISPLAY set.
std::string outputOnDisplay(const std::string &display, const std::string &command)
{
    std::string output;
    if (FILE *pipe = popen(("export DISPLAY=" + display + "; " + command).c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        pclose(pipe);
    }
    return output;
}

TEST(DialogMode, OpensWithOnlyACloseBoxAndClosingItEndsWithStatus0)
{
    VirtualDisplay display;
    ASSERT_GT(display.pid, 0) << "Xvfb could not be started";
    qv::test::TempDir dir;

    pid_t program = fork();
    if (program == 0) {
        setenv("DISPLAY", display.name.c_str(), 1);
        unsetenv("QT_QPA_PLATFORM");
        unsetenv("WAYLAND_DISPLAY");
        if (chdir(dir.path().c_str()) != 0) _exit(126);
        execl(QUORVEL_EXECUTABLE, QUORVEL_EXECUTABLE, static_cast<char *>(nullptr));
        _exit(127);
    }
    ASSERT_GT(program, 0);

    // The dialog's window, by its title; then Esc, its cancel key.
    const bool shown = onDisplay(display.name,
        "timeout 20 xdotool search --sync --onlyvisible --name '^Quorvel$' "
        "> /dev/null");
    EXPECT_TRUE(shown) << "the dialog did not appear";

    // The Motif hints that window managers read for the frame's boxes:
    // flags, functions (minimise 0x8, maximise 0x10, close 0x20) and
    // decorations (minimise 0x20, maximise 0x40).
    unsigned flags = 0, functions = 0, decorations = 0;
    const std::string hints = outputOnDisplay(display.name,
        "for w in $(xdotool search --onlyvisible --name '^Quorvel$'); do "
        "xprop -id $w _MOTIF_WM_HINTS; done");
    const size_t equals = hints.find('=');
    ASSERT_NE(equals, std::string::npos) << hints;
    ASSERT_EQ(
        std::sscanf(hints.c_str() + equals + 1, " %x, %x, %x", &flags, &functions, &decorations), 3)
        << hints;
    EXPECT_EQ(flags & 0x3, 0x3u) << hints;
    EXPECT_EQ(functions & 0x20, 0x20u) << hints;
    EXPECT_EQ(functions & 0x18, 0u) << hints;
    EXPECT_EQ(decorations & 0x60, 0u) << hints;
    // Without a window manager the keyboard follows the pointer: put it on
    // the dialog and press the key there.
    onDisplay(display.name,
        "for w in $(xdotool search --onlyvisible --name '^Quorvel$'); do "
        "xdotool mousemove --window $w 20 20 key Escape && break; done");

    int status = -1;
    for (int wait = 0; wait < 200; ++wait) {
        if (waitpid(program, &status, WNOHANG) == program) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        status = -1;
    }
    if (status == -1) {
        kill(program, SIGKILL);
        waitpid(program, nullptr, 0);
        FAIL() << "the program did not end when its dialog was closed";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(qv::test::exists(dir / "tree.txt"), false) << "closing writes nothing";
}

} // namespace
