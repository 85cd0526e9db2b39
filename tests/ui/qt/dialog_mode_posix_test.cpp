// The dialog mode of the real program on a virtual X display: a run without
// arguments opens the main dialog, and closing it ends the program with
// status 0.
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "test_support.h"

namespace
{

// An Xvfb server on a display of its own for the length of a test.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        for (int number = 71; number < 90 && pid < 0; ++number) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            struct stat st;
            if (stat(socket.c_str(), &st) == 0) continue;
            name = ":" + std::to_string(number);
            pid = fork();
            if (pid == 0) {
                execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
                    "tcp", static_cast<char *>(nullptr));
                _exit(127);
            }
            for (int wait = 0; wait < 100 && stat(socket.c_str(), &st) != 0; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ~VirtualDisplay()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }

    std::string name;
    pid_t pid = -1;
};

// Runs a shell command with DISPLAY set; true when it succeeded.
bool onDisplay(const std::string &display, const std::string &command)
{
    return std::system(("export DISPLAY=" + display + "; " + command).c_str()) == 0;
}

TEST(DialogMode, ClosingTheDialogEndsWithStatus0)
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
