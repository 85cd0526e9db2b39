#include "about_dialog.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "program_text.h"
#include "ui/dialog_host.h"

namespace
{

QRect dialogRect(const QSizeF &unit, int x, int y, int width, int height)
{
    return QRect(qRound(x * unit.width()), qRound(y * unit.height()), qRound(width * unit.width()),
        qRound(height * unit.height()));
}

} // namespace

AboutDialog::AboutDialog(const qv::DialogHost &host, const QSizeF &unit, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(fromProgramText("バージョン情報"));
    setModal(true);
    // A window does not take its owner's font by itself; the box is set in
    // the main dialog's.
    if (parent != nullptr) setFont(parent->font());

    auto *icon = new QLabel(this);
    const QRect iconRect = dialogRect(unit, 11, 17, 20, 20);
    icon->setGeometry(iconRect.topLeft().x(), iconRect.y(), 32, 32);
    icon->setPixmap(QIcon(":/quorvel/quorvel.png").pixmap(32, 32));

    versionLabel = new QLabel(this);
    versionLabel->setTextFormat(Qt::PlainText);
    versionLabel->setGeometry(dialogRect(unit, 40, 10, 80, 8));
    copyrightLabel = new QLabel(this);
    copyrightLabel->setTextFormat(Qt::PlainText);
    copyrightLabel->setGeometry(dialogRect(unit, 40, 25, 80, 8));

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(dialogRect(unit, 40, 45, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The texts are filled afresh each time the box is made; a failure leaves
    // them empty.
    try {
        qv::String line = host.name() + " Version " + host.version();
        versionLabel->setText(fromProgramText(line));
        copyrightLabel->setText(fromProgramText(host.copyrightLine()));
    } catch (...) {
    }

    // The box has the template's size unless a text needs more room.
    QSize size = dialogRect(unit, 0, 0, 130, 65).size();
    for (QLabel *label : { versionLabel, copyrightLabel }) {
        const int needed = label->x() + label->sizeHint().width() + qRound(6 * unit.width());
        label->resize(qMax(label->width(), label->sizeHint().width()),
            qMax(label->height(), label->sizeHint().height()));
        size.setWidth(qMax(size.width(), needed));
    }
    setFixedSize(size);
}

QString AboutDialog::versionText() const
{
    return versionLabel->text();
}

QString AboutDialog::copyrightText() const
{
    return copyrightLabel->text();
}
