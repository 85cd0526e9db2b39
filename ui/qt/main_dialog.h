// The main dialog on Qt: the controls of the main dialog template laid out
// from its dialog units, the save button's composed image, the About box in
// every control's context menu, and the message boxes, wait cursor and
// pickers that the dialog's logic asks for. The path fields read a leading
// "~" as the home directory, and the edits count their limits in bytes of
// code page 932. The logic itself is the MainDialogController that
// the dialog owns; it reads and changes the controls through the DialogView
// interface.
#ifndef MAIN_DIALOG_H
#define MAIN_DIALOG_H

#include <QDialog>
#include <QMap>
#include <memory>

#include "ui/dialog_view.h"
#include "ui/main_dialog_controller.h"

class QPushButton;

class MainDialog : public QDialog, public qv::DialogView
{
    Q_OBJECT

public:
    explicit MainDialog(qv::DialogHost &host, QWidget *parent = nullptr);
    ~MainDialog() override;

    // The control with a template id (1 the save button, 2 the close button).
    QWidget *control(int id) const { return controls.value(id); }
    // Pixels per dialog unit, horizontally and vertically.
    QSizeF dialogUnit() const { return unit; }

    qv::String itemText(int id) override;
    void setItemText(int id, const qv::String &text) override;
    qv::Path itemPath(int id) override;
    void setItemPath(int id, const qv::Path &path) override;
    void setTextLimit(int id, int bytes) override;
    bool isChecked(int id) override;
    void setChecked(int id, bool checked) override;
    void setEnabled(int id, bool enabled) override;
    void setFocus(int id) override;
    int showMessageBox(const char *text, const char *caption, unsigned style) override;
    void setWaitCursor(bool waiting) override;
    bool pickFolder(const char *title, const qv::Path *initialFolder, qv::Path &folder) override;
    bool pickSaveFile(const qv::SaveFileDialog &dialog, qv::Path &file) override;

public slots:
    void showAbout();

protected:
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The context menu of widget (an edit's own items, then the About item).
    void showContextMenu(QWidget *widget, const QPoint &globalPos);
    QRect dialogRect(int x, int y, int width, int height) const;
    void updateSaveButtonImage();

    qv::DialogHost &host;
    QSizeF unit;
    QMap<int, QWidget *> controls;
    QPushButton *saveButton;
    std::unique_ptr<qv::MainDialogController> controller;
    bool waiting = false;
    // The paths put into the edits, each with the text it was shown as.
    QMap<int, QPair<QString, qv::Path>> paths;
};

#endif
