// The real Qt main dialog on the offscreen platform: its initial state, typing
// and its byte limits, the tab order, Enter on each kind of control, the
// hidden/all coupling, a whole save, "~" in the path fields, the validation
// and message boxes (answered through the application's box seam), the About
// box and the context menus that lead to it, Qt's Japanese texts and the save
// button's image. With QUORVEL_SCREENSHOTS set to a directory, the pictures of
// the dialog, the About box, the overwrite question and the save picker are
// saved there.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "about_dialog.h"
#include "app/report_app.h"
#include "base/platform.h"
#include "main_dialog.h"
#include "program_text.h"
#include "save_button_image.h"
#include "test_support.h"
#include "ui/resource_ids.h"

using namespace qv;

namespace
{

struct Box {
    std::string text;
    unsigned style;
};

void saveScreenshot(QWidget *widget, const char *name)
{
    const QByteArray directory = qgetenv("QUORVEL_SCREENSHOTS");
    if (directory.isEmpty()) return;
    QDir().mkpath(QString::fromLocal8Bit(directory));
    widget->grab().save(QString::fromLocal8Bit(directory) + '/' + name);
}

// Runs check on the modal widget that the next call opens, then lets it go.
void onNextModal(std::function<void(QWidget *)> check)
{
    QTimer::singleShot(0, [check] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            ADD_FAILURE() << "no modal widget";
            return;
        }
        check(modal);
    });
}

// Runs check on the first widget that find returns, as soon as there is one
// (a popup or a box opened from inside another one's event loop), then lets
// it go. Gives up after about five seconds.
void whenShown(
    std::function<QWidget *()> find, std::function<void(QWidget *)> check, int tries = 500)
{
    QTimer::singleShot(10, [find, check, tries] {
        if (QWidget *widget = find()) {
            check(widget);
        } else if (tries > 0) {
            whenShown(find, check, tries - 1);
        } else {
            ADD_FAILURE() << "nothing was shown";
        }
    });
}

template <typename T> std::function<QWidget *()> modal()
{
    return [] { return qobject_cast<T *>(QApplication::activeModalWidget()); };
}

QWidget *popupMenu()
{
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

// Types text one character at a time, as a keyboard would send it (QTest's
// own keyClicks knows only ASCII).
void typeText(QWidget *widget, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() ? 2 : 1;
        QTest::sendKeyEvent(
            QTest::Click, widget, Qt::Key_unknown, text.mid(i, length), Qt::NoModifier);
        i += length - 1;
    }
}

QStringList actionTexts(QWidget *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

class MainDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved = test::currentDirectory();
        ASSERT_TRUE(test::changeDirectory(dir.path()));
        test::makeDirs(dir / "in/sub");
        test::writeFile(dir / "in/a.txt");
        dialog = std::make_unique<MainDialog>(app);
        // The controller has routed boxes to the dialog; the test answers them.
        app.setBoxFunction([this](WindowHandle, const char *text, const char *, unsigned style) {
            boxes.push_back({ text, style });
            if (answers.empty()) return asksYesNo(style) ? BUTTON_NO : BUTTON_OK;
            const int answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        });
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    void TearDown() override
    {
        dialog.reset();
        ASSERT_TRUE(test::changeDirectory(saved));
    }

    QLineEdit *edit(int id) { return qobject_cast<QLineEdit *>(dialog->control(id)); }
    QAbstractButton *button(int id) { return qobject_cast<QAbstractButton *>(dialog->control(id)); }

    test::TempDir dir;
    std::string saved;
    ReportApp app;
    std::unique_ptr<MainDialog> dialog;
    std::vector<Box> boxes;
    std::vector<int> answers;
};

TEST_F(MainDialogTest, OpensWithItsInitialState)
{
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Quorvel"));
    EXPECT_TRUE(button(IDC_MODE_TREE)->isChecked());
    EXPECT_FALSE(button(IDC_MODE_PATHS)->isChecked());
    EXPECT_TRUE(button(IDC_OPEN_AFTER)->isChecked());
    EXPECT_FALSE(button(IDC_INCLUDE_ALL)->isEnabled());
    EXPECT_EQ(edit(IDC_PATTERN)->text(), QStringLiteral("*.*"));
    EXPECT_TRUE(edit(IDC_DIRECTORY)->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), edit(IDC_DIRECTORY));
    EXPECT_TRUE(static_cast<QPushButton *>(button(IDOK_SAVE))->isDefault());
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()) << "the dialog is not resizable";
    // The window manager is asked for a close box alone.
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(
        dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    // Every control lies inside the dialog and no two overlap.
    const QList<QWidget *> children
        = dialog->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *a : children) {
        EXPECT_TRUE(dialog->rect().contains(a->geometry())) << a->metaObject()->className();
        for (QWidget *b : children) {
            if (a != b && a->isVisible() && b->isVisible()) {
                EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                    << a->metaObject()->className() << " and " << b->metaObject()->className();
            }
        }
    }
    saveScreenshot(dialog.get(), "main-dialog.png");
}

TEST_F(MainDialogTest, LabelsAreNotClipped)
{
    for (auto *label : dialog->findChildren<QLabel *>())
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    for (auto *box : dialog->findChildren<QAbstractButton *>()) {
        // Push buttons ask for a generous minimum; their text must fit.
        const int needed = qobject_cast<QPushButton *>(box) != nullptr
            ? box->fontMetrics().horizontalAdvance(box->text()) + 8
            : box->sizeHint().width();
        if (!box->text().isEmpty()) {
            EXPECT_GE(box->width(), needed) << box->text().toStdString();
        }
    }
}

TEST_F(MainDialogTest, TypingIsLimitedInBytesOfCodePage932)
{
    // 30 bytes for the pattern, a double-byte character taking two; the
    // limit of the path fields is the path buffer's.
    const QString kanji = fromProgramText("資");
    const int pathLimit = MAX_PATH_BYTES - 1;
    struct Case {
        int id;
        QString typed;
        QString kept;
    } cases[] = {
        { IDC_PATTERN, QString(40, 'x'), QString(30, 'x') },
        { IDC_PATTERN, 'a' + kanji.repeated(20), 'a' + kanji.repeated(14) },
        { IDC_PATTERN, kanji.repeated(20), kanji.repeated(15) },
        { IDC_PATTERN, fromProgramText("ｶ").repeated(40), fromProgramText("ｶ").repeated(30) },
        // A character without a CP932 form is one "?" there.
        { IDC_PATTERN, QString(40, QChar(0xE9)), QString(30, QChar(0xE9)) },
        { IDC_PATTERN, QString::fromUtf8(u8"😀").repeated(40),
            QString::fromUtf8(u8"😀").repeated(30) },
        { IDC_DIRECTORY, 'a' + kanji.repeated(pathLimit / 2),
            'a' + kanji.repeated((pathLimit - 1) / 2) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        edit(c.id)->clear();
        if (c.typed.size() <= 40) {
            typeText(edit(c.id), c.typed);
        } else {
            // Pasted, as a long path would be: only what fits goes in.
            QGuiApplication::clipboard()->setText(c.typed);
            QTest::keyClick(edit(c.id), Qt::Key_V, Qt::ControlModifier);
        }
        EXPECT_EQ(edit(c.id)->text(), c.kept);
    }

    // A full field takes nothing more, wherever the cursor is, and what it
    // shows is what the save command uses.
    edit(IDC_PATTERN)->setText('a' + kanji.repeated(14));
    QTest::keyClick(edit(IDC_PATTERN), Qt::Key_Home);
    typeText(edit(IDC_PATTERN), kanji);
    EXPECT_EQ(edit(IDC_PATTERN)->text(), 'a' + kanji.repeated(14));
    QTest::mouseClick(button(IDOK_SAVE), Qt::LeftButton);
    EXPECT_EQ(edit(IDC_PATTERN)->text(), 'a' + kanji.repeated(14));
}

TEST_F(MainDialogTest, EnterPressesTheFocusedPushButtonAndOtherwiseSave)
{
    int pickers = 0;
    auto cancelPicker = [&pickers](QFileDialog::AcceptMode mode) {
        whenShown(modal<QFileDialog>(), [&pickers, mode](QWidget *widget) {
            auto *picker = static_cast<QFileDialog *>(widget);
            EXPECT_EQ(picker->acceptMode(), mode);
            ++pickers;
            picker->reject();
        });
    };

    // The offscreen platform has no window manager to give the dialog back
    // its activation when a picker closes.
    auto reactivate = [this] {
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    };

    // Each 選択... button is pressed with the mouse; its picker closes, the
    // focus stays on it, and Enter presses it again.
    const struct {
        int id;
        QFileDialog::AcceptMode mode;
    } browsers[] = { { IDC_BROWSE_DIRECTORY, QFileDialog::AcceptOpen },
        { IDC_BROWSE_OUTPUT, QFileDialog::AcceptSave } };
    for (const auto &b : browsers) {
        pickers = 0;
        cancelPicker(b.mode);
        QTest::mouseClick(button(b.id), Qt::LeftButton);
        reactivate();
        ASSERT_EQ(QApplication::focusWidget(), button(b.id));
        cancelPicker(b.mode);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        reactivate();
        EXPECT_EQ(pickers, 2);
    }
    EXPECT_TRUE(boxes.empty());

    // Elsewhere Enter is the save command's: in an edit, on a check box, on
    // the save button itself.
    for (int id : { IDC_DIRECTORY, IDC_SHOW_SIZE, IDOK_SAVE }) {
        boxes.clear();
        while (QApplication::focusWidget() != dialog->control(id))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        ASSERT_EQ(boxes.size(), 1u) << id;
        EXPECT_EQ(boxes[0].text, "ディレクトリ名を指定してください。");
    }

    // On 閉じる, reached with Tab, Enter closes the dialog and saves nothing.
    boxes.clear();
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    while (QApplication::focusWidget() != dialog->control(IDCANCEL_CLOSE))
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainDialogTest, TabFollowsTheTemplateOrder)
{
    const int order[] = { IDC_OUTPUT_FILE, IDC_PATTERN, IDC_SHOW_SIZE, IDC_SHOW_TIME,
        IDC_SHOW_ATTRIBUTES, IDC_FILE_URL, IDC_INCLUDE_HIDDEN, IDC_OPEN_AFTER, IDOK_SAVE,
        IDCANCEL_CLOSE, IDC_DIRECTORY };
    for (int id : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog->control(id)) << "expected " << id;
    }
}

TEST_F(MainDialogTest, HiddenBoxCouplesTheAllBox)
{
    QTest::mouseClick(button(IDC_INCLUDE_HIDDEN), Qt::LeftButton);
    EXPECT_TRUE(button(IDC_INCLUDE_ALL)->isEnabled());
    QTest::mouseClick(button(IDC_INCLUDE_ALL), Qt::LeftButton);
    EXPECT_TRUE(button(IDC_INCLUDE_ALL)->isChecked());
    QTest::mouseClick(button(IDC_INCLUDE_HIDDEN), Qt::LeftButton);
    EXPECT_FALSE(button(IDC_INCLUDE_ALL)->isEnabled());
    EXPECT_FALSE(button(IDC_INCLUDE_ALL)->isChecked());
}

TEST_F(MainDialogTest, EnterInAnEditSavesTheReport)
{
    QTest::keyClicks(edit(IDC_DIRECTORY), QStringLiteral("in"));
    QTest::keyClicks(edit(IDC_OUTPUT_FILE), QStringLiteral("r.txt"));
    QTest::mouseClick(button(IDC_OPEN_AFTER), Qt::LeftButton);
    QTest::mouseClick(button(IDC_SHOW_SIZE), Qt::LeftButton);
    answers = { BUTTON_YES, BUTTON_OK };
    QTest::keyClick(edit(IDC_OUTPUT_FILE), Qt::Key_Return);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].style, BOX_QUESTION_YES_NO);
    EXPECT_EQ(boxes[1].text, dir / "r.txt" + "を出力しました。");
    EXPECT_EQ(test::readFile(dir / "r.txt"),
        test::lines({ "[" + dir / "in/]", "├[sub]", "└              0  a.txt" }));
    EXPECT_EQ(fromProgramText(toProgramText(edit(IDC_DIRECTORY)->text())),
        QString::fromStdString(dir / "in"));
    EXPECT_TRUE(dialog->isVisible()) << "the dialog stays open";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor is gone";
}

TEST_F(MainDialogTest, ATildeInThePathFieldsIsTheHomeDirectory)
{
    const char *saved = std::getenv("HOME");
    const std::string home = saved != nullptr ? saved : "";
    test::setEnvironment("HOME", dir.path().c_str());
    QTest::keyClicks(edit(IDC_DIRECTORY), QStringLiteral("~/in"));
    QTest::keyClicks(edit(IDC_OUTPUT_FILE), QStringLiteral("~/r.txt"));
    QTest::mouseClick(button(IDC_OPEN_AFTER), Qt::LeftButton);
    answers = { BUTTON_YES, BUTTON_OK };
    QTest::keyClick(edit(IDC_OUTPUT_FILE), Qt::Key_Return);
    test::setEnvironment("HOME", saved != nullptr ? home.c_str() : nullptr);

    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, dir / "r.txt" + "を作成します。\r\nよろしいですか？");
    EXPECT_EQ(test::readFile(dir / "r.txt").rfind("[" + dir / "in/]\r\n", 0), 0u);
    EXPECT_EQ(edit(IDC_DIRECTORY)->text(), QString::fromStdString(dir / "in"));
    EXPECT_EQ(edit(IDC_OUTPUT_FILE)->text(), QString::fromStdString(dir / "r.txt"));
}

TEST_F(MainDialogTest, AnEmptyDirectoryIsAskedForWithTheFocusOnIt)
{
    edit(IDC_PATTERN)->clear();
    dialog->control(IDC_OUTPUT_FILE)->setFocus();
    QTest::mouseClick(button(IDOK_SAVE), Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ディレクトリ名を指定してください。");
    EXPECT_EQ(boxes[0].style, BOX_WARNING);
    EXPECT_EQ(QApplication::focusWidget(), edit(IDC_DIRECTORY));
    EXPECT_EQ(edit(IDC_PATTERN)->text(), QStringLiteral("*.*"));
}

TEST_F(MainDialogTest, EscapeAndTheCloseButtonEndTheDialog)
{
    for (bool escape : { true, false }) {
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        if (escape)
            QTest::keyClick(edit(IDC_DIRECTORY), Qt::Key_Escape);
        else
            QTest::mouseClick(button(IDCANCEL_CLOSE), Qt::LeftButton);
        EXPECT_EQ(finished.count(), 1);
        EXPECT_FALSE(dialog->isVisible());
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
}

TEST_F(MainDialogTest, RealMessageBoxesReturnTheButtonNumbers)
{
    // The dialog's own boxes, not the test's seam.
    struct Case {
        unsigned style;
        QMessageBox::StandardButton press;
        QMessageBox::Icon icon;
        int result;
    } cases[] = {
        { BOX_QUESTION_YES_NO, QMessageBox::Yes, QMessageBox::Question, BUTTON_YES },
        { BOX_WARNING_YES_NO, QMessageBox::No, QMessageBox::Warning, BUTTON_NO },
        { BOX_INFORMATION, QMessageBox::Ok, QMessageBox::Information, BUTTON_OK },
        { BOX_WARNING, QMessageBox::Ok, QMessageBox::Warning, BUTTON_OK },
    };
    for (const Case &c : cases) {
        onNextModal([&c](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Quorvel"));
            EXPECT_EQ(box->icon(), c.icon);
            box->button(c.press)->click();
        });
        std::string text = dir / "r.txt" + "を作成します。\r\nよろしいですか？";
        EXPECT_EQ(dialog->showMessageBox(text.c_str(), "Quorvel", c.style), c.result);
    }
}

TEST_F(MainDialogTest, QuestionBoxesAnswerWithHaiAndIie)
{
    for (unsigned style : { BOX_WARNING_YES_NO, BOX_QUESTION_YES_NO }) {
        onNextModal([style](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->buttons().size(), 2);
            EXPECT_EQ(box->button(QMessageBox::Yes)->text(), fromProgramText("はい(&Y)"));
            EXPECT_EQ(box->button(QMessageBox::No)->text(), fromProgramText("いいえ(&N)"));
            if (style == BOX_WARNING_YES_NO) saveScreenshot(box, "overwrite-question.png");
            box->button(QMessageBox::No)->click();
        });
        const std::string text = dir / "r.txt" + "は既に存在します。\r\n上書きしますか？";
        EXPECT_EQ(dialog->showMessageBox(text.c_str(), "Quorvel", style), BUTTON_NO);
    }
}

TEST_F(MainDialogTest, TheSavePickerIsJapaneseWithTheTextFilters)
{
    whenShown(modal<QFileDialog>(), [](QWidget *widget) {
        auto *picker = static_cast<QFileDialog *>(widget);
        EXPECT_EQ(picker->nameFilters(),
            QStringList({ fromProgramText("テキストファイル (*.txt)"),
                fromProgramText("全てのファイル (*.*)") }));
        EXPECT_EQ(picker->selectedNameFilter(), fromProgramText("テキストファイル (*.txt)"));
        QStringList buttons;
        for (auto *button : picker->findChildren<QPushButton *>())
            buttons << button->text();
        EXPECT_TRUE(buttons.contains(fromProgramText("保存(&S)")))
            << buttons.join(' ').toStdString();
        EXPECT_TRUE(buttons.contains(fromProgramText("キャンセル")))
            << buttons.join(' ').toStdString();
        saveScreenshot(picker, "save-picker.png");
        picker->reject();
    });
    QTest::mouseClick(button(IDC_BROWSE_OUTPUT), Qt::LeftButton);
    EXPECT_TRUE(edit(IDC_OUTPUT_FILE)->text().isEmpty());
}

TEST_F(MainDialogTest, TheMenuKeyAndShiftF10OfferTheAboutBoxEverywhere)
{
    struct Case {
        int id;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {
        { IDC_DIRECTORY, Qt::Key_Menu, Qt::NoModifier },
        { IDC_PATTERN, Qt::Key_F10, Qt::ShiftModifier },
        { IDC_SHOW_SIZE, Qt::Key_Menu, Qt::NoModifier },
        { IDOK_SAVE, Qt::Key_F10, Qt::ShiftModifier },
        { IDCANCEL_CLOSE, Qt::Key_Menu, Qt::NoModifier },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.id);
        int abouts = 0;
        const bool isEdit = edit(c.id) != nullptr;
        whenShown(popupMenu, [&abouts, isEdit](QWidget *menu) {
            const QStringList texts = actionTexts(menu);
            EXPECT_EQ(texts.last(), fromProgramText("バージョン情報(&A)..."));
            // An edit keeps its own items, in Japanese.
            EXPECT_EQ(texts.first().startsWith(fromProgramText("元に戻す")), isEdit)
                << texts.join(' ').toStdString();
            whenShown(modal<AboutDialog>(), [&abouts](QWidget *about) {
                ++abouts;
                QTest::keyClick(about, Qt::Key_Escape);
            });
            QTest::keyClick(menu, Qt::Key_A);
        });
        dialog->control(c.id)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(dialog->control(c.id), c.key, c.modifiers);
        EXPECT_EQ(abouts, 1);
        EXPECT_FALSE(dialog->isHidden());
        EXPECT_TRUE(boxes.empty()) << "the key pressed nothing else";
    }
}

TEST_F(MainDialogTest, AboutBoxShowsNameAndVersionAtTheTopLeft)
{
    for (int time = 0; time < 2; ++time) {
        onNextModal([this](QWidget *modal) {
            auto *about = qobject_cast<AboutDialog *>(modal);
            ASSERT_NE(about, nullptr);
            EXPECT_EQ(about->versionText(), QStringLiteral("Quorvel Version 1.10"));
            EXPECT_EQ(about->copyrightText(), QStringLiteral("(C) 2026 Quorvel"));
            EXPECT_EQ(about->pos(), dialog->mapToGlobal(QPoint(0, 0)));
            for (auto *label : about->findChildren<QLabel *>())
                EXPECT_GE(label->width(), label->sizeHint().width());
            saveScreenshot(about, "about-box.png");
            QTest::keyClick(about, Qt::Key_Escape);
        });
        dialog->showAbout();
    }
}

TEST_F(MainDialogTest, ThePaletteRecolorsTheSaveButton)
{
    auto imageOf = [this] {
        return button(IDOK_SAVE)->icon().pixmap(button(IDOK_SAVE)->iconSize()).toImage();
    };
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Button, QColor(10, 200, 30));
    palette.setColor(QPalette::ButtonText, QColor(200, 0, 100));
    dialog->setPalette(palette);
    const QImage image = imageOf();
    // The button's own face shows through: nothing is painted in a flat face
    // colour, around the picture or inside it.
    EXPECT_EQ(image.pixelColor(image.width() - 1, 0).alpha(), 0);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ASSERT_NE(image.pixelColor(x, y), QColor(10, 200, 30)) << x << ", " << y;
    }
    // The picture's outline in the button text colour, at (1, cy / 2 + 1).
    const int cy = QFontMetrics(saveButtonFont()).height();
    EXPECT_EQ(image.pixelColor(1, cy / 2 + 1), QColor(200, 0, 100));
    EXPECT_EQ(image.width(),
        QFontMetrics(saveButtonFont()).horizontalAdvance(fromProgramText("保存")) + 19);
    EXPECT_EQ(image.height(), cy + 16);
}

} // namespace
