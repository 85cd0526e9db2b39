// The About box: the program's icon, its name with its version and the
// copyright line, with an OK button.
#ifndef ABOUT_DIALOG_H
#define ABOUT_DIALOG_H

#include <QDialog>

class QLabel;

namespace qv
{
class DialogHost;
}

class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // Shows host's name, version and copyright line; unit: pixels per dialog unit,
    // horizontally and vertically.
    AboutDialog(const qv::DialogHost &host, const QSizeF &unit, QWidget *parent = nullptr);

    QString versionText() const;
    QString copyrightText() const;

private:
    QLabel *versionLabel;
    QLabel *copyrightLabel;
};

#endif
