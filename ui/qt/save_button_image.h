// The save button's image: the 16 x 16 floppy-disk picture in the palette's
// button colours, a 3-pixel gap, then "保存" in a 9-point fixed-pitch Japanese
// Gothic, both centred vertically in an image as high as the two together,
// on a transparent background.
#ifndef SAVE_BUTTON_IMAGE_H
#define SAVE_BUTTON_IMAGE_H

#include <QFont>
#include <QPalette>
#include <QPixmap>

// The font of the word: fixed-pitch, Japanese, 9 points.
QFont saveButtonFont();

// Composes the image in the button colours of palette.
QPixmap composeSaveButtonImage(const QPalette &palette);

#endif
