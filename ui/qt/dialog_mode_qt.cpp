// The dialog module with Qt: the main dialog, modeless, until it is closed.
#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <type_traits>

#include "japanese_translation.h"
#include "main_dialog.h"
#include "ui/dialog_host.h"
#include "ui/dialog_mode.h"
#include "ui/dialog_module.h"

namespace qv
{

namespace
{

// Qt ends the process when it cannot reach a display, so look first: a local
// X display or a Wayland compositor has its socket; anything else (a remote
// X display, a platform named in QT_QPA_PLATFORM) is trusted.
bool displayAvailable()
{
    if (!qgetenv("QT_QPA_PLATFORM").isEmpty()) return true;
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if (!wayland.isEmpty()) {
        const QByteArray socket
            = wayland.startsWith('/') ? wayland : qgetenv("XDG_RUNTIME_DIR") + '/' + wayland;
        if (QFileInfo::exists(QString::fromLocal8Bit(socket))) return true;
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) return false;
    if (!display.startsWith(':')) return true;
    const QByteArray number = display.mid(1).split('.').first();
    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + QString::fromLatin1(number));
}

int runDialog(DialogHost &host)
{
    if (!displayAvailable()) {
        host.showWarning(nullptr,
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
        MainDialog dialog(host);
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
extern "C" int quorvelDialogMain(qv::DialogHost &host)
{
    return qv::runDialog(host);
}
static_assert(std::is_same_v<decltype(&quorvelDialogMain), qv::DialogModuleEntry>);
