// The real Qt main dialog on the offscreen platform: its initial state, typing,
// the tab order, the hidden/all coupling, a whole save, the validation and
// message boxes (answered through the application's box seam), the About box
// and the save button's image. With QUORVEL_SCREENSHOTS set to a directory,
// the pictures of the dialog, the About box and a question box are saved
// there.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "about_dialog.h"
#include "app/report_app.h"
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

class MainDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        test::makeDirs(dir / "in/sub");
        test::writeFile(dir / "in/a.txt");
        theApplication = &app;
        dialog = std::make_unique<MainDialog>(app);
        // The controller has routed boxes to the dialog; the test answers them.
        app.setBoxFunction([this](WindowHandle, const char *text, const char *, unsigned style) {
            boxes.push_back({ text, style });
            if (answers.empty()) return (style & 0xF) == 0x4 ? BUTTON_NO : BUTTON_OK;
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
        theApplication = nullptr;
        ASSERT_EQ(chdir(saved), 0);
    }

    QLineEdit *edit(int id) { return qobject_cast<QLineEdit *>(dialog->control(id)); }
    QAbstractButton *button(int id) { return qobject_cast<QAbstractButton *>(dialog->control(id)); }

    test::TempDir dir;
    char saved[4096];
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

TEST_F(MainDialogTest, TypingIsLimited)
{
    edit(IDC_PATTERN)->clear();
    QTest::keyClicks(edit(IDC_PATTERN), QString(40, QChar('x')));
    EXPECT_EQ(edit(IDC_PATTERN)->text().size(), 30);
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
            if (c.style == BOX_QUESTION_YES_NO) saveScreenshot(box, "question-box.png");
            box->button(c.press)->click();
        });
        std::string text = dir / "r.txt" + "を作成します。\r\nよろしいですか？";
        EXPECT_EQ(dialog->showMessageBox(text.c_str(), "Quorvel", c.style), c.result);
    }
}

TEST_F(MainDialogTest, AboutBoxShowsNameAndVersionAtTheTopLeft)
{
    for (int time = 0; time < 2; ++time) {
        onNextModal([this](QWidget *modal) {
            auto *about = qobject_cast<AboutDialog *>(modal);
            ASSERT_NE(about, nullptr);
            EXPECT_EQ(about->versionText(), QStringLiteral("Quorvel Version 1.10"));
            EXPECT_FALSE(about->copyrightText().isEmpty());
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
    EXPECT_EQ(image.pixelColor(image.width() - 1, 0), QColor(10, 200, 30));
    // The picture's outline in the button text colour, at (1, cy / 2 + 1).
    const int cy = QFontMetrics(saveButtonFont()).height();
    EXPECT_EQ(image.pixelColor(1, cy / 2 + 1), QColor(200, 0, 100));
    EXPECT_EQ(image.width(),
        QFontMetrics(saveButtonFont()).horizontalAdvance(fromProgramText("保存")) + 19);
    EXPECT_EQ(image.height(), cy + 16);
}

} // namespace
