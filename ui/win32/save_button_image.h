// The save button's image: the floppy picture (bitmap IDB_SAVE) with "保存"
// to its right, composed in the current button colours, and Font, the owner
// of one GDI font. The button itself holds the composed image: the one
// bitmap that outlives updateSaveButtonImage, deleted when it is replaced
// or removed.
#pragma once

#include <windows.h>

namespace qv {

class Font {
 public:
  Font() = default;
  virtual ~Font() { release(); }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // CreateFontA with the platform defaults for precision, quality and pitch;
  // releases the previous font first. True when a font was made.
  bool create(int height, int width, int escapement, int orientation, int weight,
              const char* faceName, bool italic, bool underline, bool strikeOut, BYTE charSet);
  // create() with the character height of pointSize points on context (the
  // display when null). False when there is no context or no font.
  bool createPointFont(HDC context, int pointSize, int escapement, int orientation, int weight,
                       const char* faceName, bool italic, bool underline, bool strikeOut,
                       BYTE charSet);
  // Deletes the font; the platform's result, or 0 when there was none.
  BOOL release();

  HFONT handle() const { return handle_; }

 private:
  HFONT handle_ = nullptr;
};

// The size of the composed image for a picture of w x h pixels and a text
// extent of cx x cy, and where picture and text go in it.
struct SaveImageLayout {
  SIZE image;
  POINT picture;
  POINT text;
};
SaveImageLayout saveImageLayout(SIZE picture, SIZE text);

// Takes the image off the save button of the dialog window and deletes it.
void removeSaveButtonImage(HWND window);

// Replaces the save button's image by a new one in the current colours, made
// from the picture in instance's resources. Throws nothing; on failure the
// button stays without an image.
void updateSaveButtonImage(HWND window, HINSTANCE instance);

}  // namespace qv
