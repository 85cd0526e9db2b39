#include "save_button_image.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "program_text.h"

namespace
{

// The picture's black, dark grey and white stand for the button's text,
// shadow and highlight colours; its light-grey background becomes
// transparent, so that the button's own face (a gradient in most styles)
// shows through.
QImage mappedPicture(const QPalette &palette)
{
    QImage picture = QImage(":/quorvel/floppy.bmp").convertToFormat(QImage::Format_ARGB32);
    const struct {
        QRgb from;
        QColor to;
    } map[] = {
        { qRgb(0, 0, 0), palette.color(QPalette::ButtonText) },
        { qRgb(128, 128, 128), palette.color(QPalette::Dark) },
        { qRgb(192, 192, 192), QColor(Qt::transparent) },
        { qRgb(255, 255, 255), palette.color(QPalette::Light) },
    };
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            QRgb pixel = picture.pixel(x, y) | 0xFF000000u;
            for (const auto &entry : map) {
                if (pixel == (entry.from | 0xFF000000u)) picture.setPixel(x, y, entry.to.rgba());
            }
        }
    }
    return picture;
}

} // namespace

QFont saveButtonFont()
{
    QFont font;
    font.setFamilies({ "IPAGothic", "Noto Sans Mono CJK JP", "monospace" });
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(9);
    return font;
}

QPixmap composeSaveButtonImage(const QPalette &palette)
{
    const QImage picture = mappedPicture(palette);
    const int w = picture.width();
    const int h = picture.height();
    const QFont font = saveButtonFont();
    const QString text = fromProgramText("保存");
    const QFontMetrics metrics(font);
    const int cx = metrics.horizontalAdvance(text);
    const int cy = metrics.height();

    QPixmap image(cx + w + 3, cy + h);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawImage(0, cy / 2, picture);
    painter.setFont(font);
    painter.setPen(palette.color(QPalette::ButtonText));
    painter.drawText(QRect(w + 3, h / 2, cx, cy), Qt::AlignLeft | Qt::AlignTop, text);
    return image;
}
