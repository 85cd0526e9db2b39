// The dialog lives in a module that the program loads only when the dialog
// opens: a command-line run maps no Qt library, the module is found where it
// is installed and where the build puts it, and a program without it says so
// and ends with status 15.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <sys/wait.h>

#include "test_support.h"

namespace
{

namespace fs = std::filesystem;
using qv::test::TempDir;

const char *const MODULE = "quorvel-dialog.so";

// True when strace can trace a child here: it needs ptrace, which some
// containers do not permit.
bool canTrace()
{
    return std::system("strace -f -qq -o /dev/null true > /dev/null 2>&1") == 0;
}

TEST(DialogModule, CommandLineRunOpensNoQtLibrary)
{
    if (!canTrace()) GTEST_SKIP() << "strace is missing or ptrace is not permitted here";
    TempDir dir;
    qv::test::makeDirs(dir / "T/sub");
    qv::test::writeFile(dir / "T/a.txt");
    qv::test::writeFile(dir / "T/sub/b.txt");
    const std::string log = dir / "trace";
    // LeakSanitizer, in a sanitized build, cannot run under ptrace.
    const char *asan = std::getenv("ASAN_OPTIONS");
    const std::string command = "ASAN_OPTIONS='" + std::string(asan != nullptr ? asan : "")
        + ":detect_leaks=0' strace -f -qq -e trace=open,openat,openat2 -o '" + log + "' '"
        + QUORVEL_EXECUTABLE + "' in '" + dir / "T/" + "' out '" + dir / "F" + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;

    const std::string trace = qv::test::readFile(log);
    ASSERT_NE(trace.find(dir / "F"), std::string::npos) << "the trace missed the report itself";
    EXPECT_EQ(trace.find("libQt"), std::string::npos) << trace;
    EXPECT_EQ(trace.find(MODULE), std::string::npos) << trace;
}

struct LayoutCase {
    const char *name;
    const char *program; // relative to the test's directory
    const char *module; // relative to the program's directory; null for none
    const char *message; // part of what the program says, UTF-8
};
void PrintTo(const LayoutCase &c, std::ostream *os)
{
    *os << c.name;
}

class DialogModuleLayout : public ::testing::TestWithParam<LayoutCase>
{
};

// Without a display the loaded module says that it cannot show the dialog;
// a program that cannot load it names the module instead.
TEST_P(DialogModuleLayout, FindsTheModuleOrSaysItIsMissing)
{
    const LayoutCase &c = GetParam();
    TempDir dir;
    const fs::path program = fs::path(dir.path()) / c.program;
    fs::create_directories(program.parent_path());
    fs::copy_file(QUORVEL_EXECUTABLE, program);
    if (c.module != nullptr) {
        const fs::path module = program.parent_path() / c.module;
        fs::create_directories(module.parent_path());
        fs::copy_file(fs::path(QUORVEL_EXECUTABLE).parent_path() / MODULE, module);
    }
    qv::test::RunOptions options;
    options.program = program.string();
    options.workingDirectory = dir.path();
    options.environment = { "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=" };
    const qv::test::RunResult result = qv::test::runQuorvel({}, options);
    EXPECT_EQ(result.status, 15);
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_FALSE(qv::test::exists(dir / "tree.txt"));
}

const LayoutCase LAYOUT_CASES[] = {
    { "Installed", "bin/quorvel", QUORVEL_DIALOG_MODULE_PATH,
        u8"ダイアログを表示できません（ディスプレイがありません）" },
    { "BesideTheProgram", "build/quorvel", MODULE,
        u8"ダイアログを表示できません（ディスプレイがありません）" },
    { "Missing", "bin/quorvel", nullptr, u8"ダイアログのモジュールを読み込めません" },
};

INSTANTIATE_TEST_SUITE_P(Cases, DialogModuleLayout, ::testing::ValuesIn(LAYOUT_CASES),
    [](const ::testing::TestParamInfo<LayoutCase> &info) { return std::string(info.param.name); });

} // namespace
