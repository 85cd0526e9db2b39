#include "ui/win32/save_button_image.h"

#include <commctrl.h>

#include "ui/resource_ids.h"

namespace qv {

namespace {

const char SAVE_TEXT[] = "保存";
const char BUTTON_FACE[] = "ＭＳ ゴシック";
constexpr int GAP = 3;

class WindowContext {
 public:
  explicit WindowContext(HWND window) : window_(window), context_(GetDC(window)) {}
  ~WindowContext() {
    if (context_ != nullptr) ReleaseDC(window_, context_);
  }
  WindowContext(const WindowContext&) = delete;
  WindowContext& operator=(const WindowContext&) = delete;
  HDC get() const { return context_; }

 private:
  HWND window_;
  HDC context_;
};

class MemoryContext {
 public:
  MemoryContext() : context_(CreateCompatibleDC(nullptr)) {}
  ~MemoryContext() {
    if (context_ != nullptr) DeleteDC(context_);
  }
  MemoryContext(const MemoryContext&) = delete;
  MemoryContext& operator=(const MemoryContext&) = delete;
  HDC get() const { return context_; }

 private:
  HDC context_;
};

// Selects an object into a context and puts back what it displaced.
class Selection {
 public:
  Selection(HDC context, HGDIOBJ object)
      : context_(context),
        displaced_(object != nullptr ? SelectObject(context, object) : nullptr) {}
  ~Selection() {
    if (displaced_ != nullptr && displaced_ != HGDI_ERROR) SelectObject(context_, displaced_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC context_;
  HGDIOBJ displaced_;
};

class Bitmap {
 public:
  explicit Bitmap(HBITMAP handle) : handle_(handle) {}
  ~Bitmap() {
    if (handle_ != nullptr) DeleteObject(handle_);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  HBITMAP get() const { return handle_; }
  HBITMAP take() {
    HBITMAP handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HBITMAP handle_;
};

}  // namespace

bool Font::create(int height, int width, int escapement, int orientation, int weight,
                  const char* faceName, bool italic, bool underline, bool strikeOut, BYTE charSet) {
  release();
  handle_ = CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                        strikeOut, charSet, 0, 0, 0, 0, faceName);
  return handle_ != nullptr;
}

bool Font::createPointFont(HDC context, int pointSize, int escapement, int orientation, int weight,
                           const char* faceName, bool italic, bool underline, bool strikeOut,
                           BYTE charSet) {
  HDC display = nullptr;
  if (context == nullptr) {
    display = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    if (display == nullptr) return false;
    context = display;
  }
  int pixels = MulDiv(pointSize, GetDeviceCaps(context, LOGPIXELSY), 72);
  if (display != nullptr) DeleteDC(display);
  return create(-pixels, 0, escapement, orientation, weight, faceName, italic, underline, strikeOut,
                charSet);
}

BOOL Font::release() {
  if (handle_ == nullptr) return 0;
  BOOL result = DeleteObject(handle_);
  handle_ = nullptr;
  return result;
}

SaveImageLayout saveImageLayout(SIZE picture, SIZE text) {
  SaveImageLayout layout;
  layout.image = {text.cx + picture.cx + GAP, text.cy + picture.cy};
  layout.picture = {0, text.cy / 2};
  layout.text = {picture.cx + GAP, picture.cy / 2};
  return layout;
}

void removeSaveButtonImage(HWND window) {
  // The button gives back the image it showed; it was ours.
  auto old = reinterpret_cast<HBITMAP>(
      SendDlgItemMessageA(window, IDOK_SAVE, BM_SETIMAGE, IMAGE_BITMAP, 0));
  if (old != nullptr) DeleteObject(old);
}

void updateSaveButtonImage(HWND window, HINSTANCE instance) {
  removeSaveButtonImage(window);

  WindowContext screen(window);
  Font font;
  font.createPointFont(screen.get(), 9, 0, 0, FW_NORMAL, BUTTON_FACE, false, false, false,
                       SHIFTJIS_CHARSET);
  Bitmap picture(CreateMappedBitmap(instance, IDB_SAVE, 0, nullptr, 0));
  if (picture.get() == nullptr) return;
  BITMAP info;
  if (GetObjectA(picture.get(), sizeof info, &info) != sizeof info) return;

  MemoryContext pictureContext;
  if (pictureContext.get() == nullptr) return;
  Selection pictureSelected(pictureContext.get(), picture.get());
  MemoryContext imageContext;
  if (imageContext.get() == nullptr) return;
  Selection fontSelected(imageContext.get(), font.handle());

  SIZE text;
  GetTextExtentPoint32A(imageContext.get(), SAVE_TEXT, sizeof SAVE_TEXT - 1, &text);
  SaveImageLayout layout = saveImageLayout({info.bmWidth, info.bmHeight}, text);
  Bitmap image(CreateCompatibleBitmap(screen.get(), layout.image.cx, layout.image.cy));
  if (image.get() == nullptr) return;
  {
    Selection imageSelected(imageContext.get(), image.get());
    RECT all;
    SetRect(&all, 0, 0, layout.image.cx, layout.image.cy);
    FillRect(imageContext.get(), &all, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    BitBlt(imageContext.get(), layout.picture.x, layout.picture.y, info.bmWidth, info.bmHeight,
           pictureContext.get(), 0, 0, SRCCOPY);
    SetBkMode(imageContext.get(), TRANSPARENT);
    SetTextColor(imageContext.get(), GetSysColor(COLOR_BTNTEXT));
    TextOutA(imageContext.get(), layout.text.x, layout.text.y, SAVE_TEXT, sizeof SAVE_TEXT - 1);
  }
  SendDlgItemMessageA(window, IDOK_SAVE, BM_SETIMAGE, IMAGE_BITMAP,
                      reinterpret_cast<LPARAM>(image.take()));
}

}  // namespace qv
