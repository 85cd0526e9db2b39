// The dialog module with Qt: the main dialog, modeless, until it is closed.
#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <cstdlib>
#include <type_traits>

#include "app/report_app.h"
#include "japanese_translation.h"
#include "main_dialog.h"
#include "ui/dialog_mode.h"
#include "ui/dialog_module.h"

namespace qv
{

namespace
{

QByteArray environment(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr ? QByteArray(value) : QByteArray();
}

// Qt ends the process when it cannot reach a display, so look first: a local
// X display or a Wayland compositor has its socket; anything else (a remote
// X display, a platform named in QT_QPA_PLATFORM) is trusted.
bool displayAvailable()
{
    if (!environment("QT_QPA_PLATFORM").isEmpty()) return true;
    const QByteArray wayland = environment("WAYLAND_DISPLAY");
    if (!wayland.isEmpty()) {
        const QByteArray socket
            = wayland.startsWith('/') ? wayland : environment("XDG_RUNTIME_DIR") + '/' + wayland;
        if (QFileInfo::exists(QString::fromLocal8Bit(socket))) return true;
    }
    const QByteArray display = environment("DISPLAY");
    if (display.isEmpty()) return false;
    if (!display.startsWith(':')) return true;
    const QByteArray number = display.mid(1).split('.').first();
    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + QString::fromLatin1(number));
}

int runDialog(ReportApp &app)
{
    if (!displayAvailable()) {
        app.showWarning(nullptr,
            "ダイアログを表示できません（ディスプレイがありません）。"
            "オプションを付けて実行してください（詳しくは quorvel --help）。");
        return STATUS_NO_DIALOG;
    }
    try {
        int argc = 1;
        char name[] = "quorvel";
        char *argv[] = { name, nullptr };
        QApplication application(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Quorvel"));
        QApplication::setDesktopFileName(QStringLiteral("quorvel"));
        installJapaneseTranslation(application);
        MainDialog dialog(app);
        QObject::connect(&dialog, &QDialog::finished, &application, &QCoreApplication::quit);
        dialog.show();
        application.exec();
        return 0;
    } catch (...) {
        return STATUS_NO_DIALOG;
    }
}

} // namespace

} // namespace qv

// The module's entry, found by its name DIALOG_MODULE_ENTRY.
extern "C" int quorvelDialogMain(qv::ReportApp &app)
{
    return qv::runDialog(app);
}
static_assert(std::is_same_v<decltype(&quorvelDialogMain), qv::DialogModuleEntry>);
