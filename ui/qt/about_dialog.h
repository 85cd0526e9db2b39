// The About box: the program's icon, its name with its version and the
// copyright line, with an OK button.
#ifndef ABOUT_DIALOG_H
#define ABOUT_DIALOG_H

#include <QDialog>

class QLabel;

class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    // unit: pixels per dialog unit, horizontally and vertically.
    AboutDialog(const QSizeF &unit, QWidget *parent = nullptr);

    QString versionText() const;
    QString copyrightText() const;

private:
    QLabel *versionLabel;
    QLabel *copyrightLabel;
};

#endif
