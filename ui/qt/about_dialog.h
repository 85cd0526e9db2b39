// The About box: the program's icon, its name with its version and the
// copyright line, with an OK button.
#ifndef ABOUT_DIALOG_H
#define ABOUT_DIALOG_H

#include <QDialog>

class QLabel;

namespace qv
{
class Application;
}

class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // Shows app's name and version; unit: pixels per dialog unit,
    // horizontally and vertically.
    AboutDialog(const qv::Application &app, const QSizeF &unit, QWidget *parent = nullptr);

    QString versionText() const;
    QString copyrightText() const;

private:
    QLabel *versionLabel;
    QLabel *copyrightLabel;
};

#endif
