#include "main_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "about_dialog.h"
#include "byte_limit_validator.h"
#include "program_text.h"
#include "save_button_image.h"
#include "ui/resource_ids.h"
#include "ui/save_file_dialog.h"

// The images live in a static library, whose resources are registered by
// hand.
static void registerResources()
{
    Q_INIT_RESOURCE(resources);
}

using namespace qv;

namespace
{

// The dialog's font: a proportional Japanese Gothic at 9 points.
QFont dialogFont()
{
    QFont font;
    font.setFamilies({ "IPAPGothic", "Noto Sans CJK JP", "sans-serif" });
    font.setPointSize(9);
    return font;
}

// The dialog unit of a font: a quarter of its average character width and an
// eighth of its height, as the platform's dialogs measure them.
QSizeF dialogUnitOf(const QFont &font)
{
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int averageWidth = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return QSizeF(averageWidth / 4.0, metrics.height() / 8.0);
}

} // namespace

MainDialog::MainDialog(qv::DialogHost &host, QWidget *parent)
    : QDialog(parent)
    , host(host)
{
    registerResources();
    setFont(dialogFont());
    unit = dialogUnitOf(font());
    setWindowTitle(fromProgramText(host.name()));
    setWindowIcon(QIcon(":/quorvel/quorvel.png"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    // The controls in template order, which is also the tab order.
    auto label = [this](const char *text, int x, int y, int w, int h) {
        auto *widget = new QLabel(fromProgramText(text), this);
        widget->setGeometry(dialogRect(x, y, w, h));
        return widget;
    };
    auto edit = [this](int id, int x, int y, int w, int h) {
        auto *widget = new QLineEdit(this);
        widget->setGeometry(dialogRect(x, y, w, h));
        controls.insert(id, widget);
        return widget;
    };
    auto button = [this](int id, const char *text, int x, int y, int w, int h) {
        auto *widget = new QPushButton(fromProgramText(text), this);
        widget->setGeometry(dialogRect(x, y, w, h));
        // Enter presses the push button that has the focus; with the focus
        // anywhere else it presses the default button, the save button.
        widget->setAutoDefault(true);
        controls.insert(id, widget);
        return widget;
    };
    auto check = [this](int id, const char *text, int x, int y, int w, int h) {
        auto *widget = new QCheckBox(fromProgramText(text), this);
        widget->setGeometry(dialogRect(x, y, w, h));
        controls.insert(id, widget);
        return widget;
    };
    auto radio = [this](int id, const char *text, int x, int y, int w, int h) {
        auto *widget = new QRadioButton(fromProgramText(text), this);
        widget->setGeometry(dialogRect(x, y, w, h));
        widget->setFocusPolicy(Qt::ClickFocus);
        controls.insert(id, widget);
        return widget;
    };

    label("ディレクトリ名", 10, 11, 45, 8);
    edit(IDC_DIRECTORY, 58, 10, 138, 12);
    button(IDC_BROWSE_DIRECTORY, "選択...", 201, 10, 30, 13)->setFocusPolicy(Qt::ClickFocus);
    label("出力ファイル名", 10, 31, 45, 8);
    edit(IDC_OUTPUT_FILE, 58, 29, 138, 12);
    button(IDC_BROWSE_OUTPUT, "選択...", 201, 29, 30, 13)->setFocusPolicy(Qt::ClickFocus);
    auto *modes = new QButtonGroup(this);
    modes->addButton(radio(IDC_MODE_TREE, "ツリー構造", 14, 54, 70, 15));
    modes->addButton(radio(IDC_MODE_PATHS, "パス情報", 14, 70, 70, 15));
    label("パターン", 14, 105, 26, 8);
    edit(IDC_PATTERN, 45, 103, 40, 12);
    check(IDC_SHOW_SIZE, "ファイルサイズの出力", 110, 54, 105, 15);
    check(IDC_SHOW_TIME, "更新日時の出力", 110, 69, 105, 15);
    check(IDC_SHOW_ATTRIBUTES, "属性の出力", 110, 84, 105, 15);
    check(IDC_FILE_URL, "file:// 形式でパスの出力", 110, 99, 105, 15);
    check(IDC_INCLUDE_HIDDEN, "隠しファイルも対象", 110, 114, 105, 15);
    check(IDC_INCLUDE_ALL, "すべてのファイルが対象", 110, 129, 105, 15);
    check(IDC_OPEN_AFTER, "作成後に開く", 14, 121, 86, 15);
    saveButton = button(IDOK_SAVE, "", 127, 151, 50, 19);
    saveButton->setDefault(true);
    saveButton->setAccessibleName(fromProgramText("保存"));
    button(IDCANCEL_CLOSE, "閉じる", 181, 151, 50, 19);

    setFixedSize(dialogRect(0, 0, 240, 180).size());

    // The About item is in the context menu of every control, which the
    // Menu key and Shift+F10 open for the focused one.
    for (QWidget *widget : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        widget->installEventFilter(this);

    for (int id : { IDOK_SAVE, IDC_BROWSE_DIRECTORY, IDC_BROWSE_OUTPUT, IDC_INCLUDE_HIDDEN }) {
        connect(static_cast<QAbstractButton *>(controls.value(id)), &QAbstractButton::clicked, this,
            [this, id] { controller->command(id); });
    }
    connect(static_cast<QAbstractButton *>(controls.value(IDCANCEL_CLOSE)),
        &QAbstractButton::clicked, this, &QDialog::reject);

    controller = std::make_unique<MainDialogController>(host, *this, this);
    controller->initialize();
    updateSaveButtonImage();
    control(IDC_DIRECTORY)->setFocus();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

MainDialog::~MainDialog() = default;

QRect MainDialog::dialogRect(int x, int y, int width, int height) const
{
    return QRect(qRound(x * unit.width()), qRound(y * unit.height()), qRound(width * unit.width()),
        qRound(height * unit.height()));
}

void MainDialog::updateSaveButtonImage()
{
    const QPixmap image = composeSaveButtonImage(palette());
    saveButton->setIcon(QIcon(image));
    saveButton->setIconSize(image.size());
}

void MainDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange) updateSaveButtonImage();
    QDialog::changeEvent(event);
}

void MainDialog::contextMenuEvent(QContextMenuEvent *event)
{
    showContextMenu(this, event->globalPos());
}

bool MainDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget == nullptr) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::ContextMenu) {
        showContextMenu(widget, static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        // Not every platform turns these keys into a context menu event (the
        // offscreen one and Shift+F10 nowhere); where one does, it arrives
        // first and its menu takes the key press.
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool menuKey = key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier;
        const bool shiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
        if (menuKey || shiftF10) {
            // At the text cursor of an edit, in the middle of anything else.
            const QPoint at = widget->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
            showContextMenu(widget, widget->mapToGlobal(at));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MainDialog::showContextMenu(QWidget *widget, const QPoint &globalPos)
{
    // Window managers offer no system menu to extend, so the About item goes
    // into the context menus: after an edit field's own items, or alone.
    auto *edit = qobject_cast<QLineEdit *>(widget);
    std::unique_ptr<QMenu> menu(
        edit != nullptr ? edit->createStandardContextMenu() : new QMenu(this));
    if (edit != nullptr) menu->addSeparator();
    QAction *about = menu->addAction(fromProgramText("バージョン情報(&A)..."));
    if (menu->exec(globalPos) == about) showAbout();
}

void MainDialog::showAbout()
{
    AboutDialog about(host, unit, this);
    // Not centred: at the top left of the main dialog's client area.
    about.move(mapToGlobal(QPoint(0, 0)));
    about.exec();
}

String MainDialog::itemText(int id)
{
    if (auto *edit = qobject_cast<QLineEdit *>(control(id))) {
        if (id == IDC_DIRECTORY || id == IDC_OUTPUT_FILE) return itemPath(id).shown();
        return toProgramText(edit->text());
    }
    if (auto *button = qobject_cast<QAbstractButton *>(control(id)))
        return toProgramText(button->text());
    return String();
}

Path MainDialog::itemPath(int id)
{
    auto *edit = qobject_cast<QLineEdit *>(control(id));
    if (edit == nullptr) return Path();
    const auto kept = paths.constFind(id);
    if (kept != paths.constEnd() && kept->first == edit->text()) return kept->second;
    return toProgramPath(edit->text(), id == IDC_DIRECTORY || id == IDC_OUTPUT_FILE);
}

void MainDialog::setItemPath(int id, const Path &path)
{
    auto *edit = qobject_cast<QLineEdit *>(control(id));
    if (edit == nullptr) return;
    edit->setText(fromProgramText(path.shown()));
    paths.insert(id, qMakePair(edit->text(), path));
}

void MainDialog::setItemText(int id, const String &text)
{
    paths.remove(id);
    if (auto *edit = qobject_cast<QLineEdit *>(control(id)))
        edit->setText(fromProgramText(text));
    else if (auto *button = qobject_cast<QAbstractButton *>(control(id)))
        button->setText(fromProgramText(text));
}

void MainDialog::setTextLimit(int id, int bytes)
{
    auto *edit = qobject_cast<QLineEdit *>(control(id));
    if (edit == nullptr) return;
    if (auto *limit = edit->findChild<ByteLimitValidator *>())
        limit->setLimit(bytes);
    else
        edit->setValidator(new ByteLimitValidator(bytes, edit));
}

bool MainDialog::isChecked(int id)
{
    auto *button = qobject_cast<QAbstractButton *>(control(id));
    return button != nullptr && button->isChecked();
}

void MainDialog::setChecked(int id, bool checked)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control(id))) button->setChecked(checked);
}

void MainDialog::setEnabled(int id, bool enabled)
{
    if (QWidget *widget = control(id)) widget->setEnabled(enabled);
}

void MainDialog::setFocus(int id)
{
    if (QWidget *widget = control(id)) widget->setFocus();
}

int MainDialog::showMessageBox(const char *text, const char *caption, unsigned style)
{
    QString message = fromProgramText(text);
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(this);
    box.setWindowTitle(fromProgramText(caption));
    box.setText(message.trimmed());
    switch (style & 0xF0) {
    case BOX_INFORMATION & 0xF0:
        box.setIcon(QMessageBox::Information);
        break;
    case BOX_QUESTION_YES_NO & 0xF0:
        box.setIcon(QMessageBox::Question);
        break;
    default:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    box.setStandardButtons(asksYesNo(style) ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
    // Even a wait cursor gives way to the arrow while a question is asked.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    QGuiApplication::restoreOverrideCursor();
    if (answer == QMessageBox::Yes) return BUTTON_YES;
    if (answer == QMessageBox::No) return BUTTON_NO;
    return BUTTON_OK;
}

void MainDialog::setWaitCursor(bool wait)
{
    if (wait == waiting) return;
    waiting = wait;
    if (wait)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

bool MainDialog::pickFolder(const char *title, const Path *initialFolder, Path &folder)
{
    const QString chosen = QFileDialog::getExistingDirectory(this, fromProgramText(title),
        initialFolder != nullptr ? QString::fromStdString(initialFolder->native()) : QString(),
        QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return false;
    folder = toProgramPath(chosen, false);
    return true;
}

bool MainDialog::pickSaveFile(const SaveFileDialog &dialog, Path &file)
{
    QFileDialog picker(this);
    picker.setAcceptMode(QFileDialog::AcceptSave);
    picker.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const auto &filter : dialog.filters())
        filters << fromProgramText(filter.first);
    picker.setNameFilters(filters);
    if (!filters.isEmpty()) picker.selectNameFilter(filters.first());
    picker.setDefaultSuffix(fromProgramText(dialog.defaultExtension()));
    picker.setOption(QFileDialog::DontConfirmOverwrite,
        (dialog.flags() & SaveFileDialog::OVERWRITE_PROMPT) == 0);
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return false;
    file = toProgramPath(picker.selectedFiles().first(), false);
    return true;
}
