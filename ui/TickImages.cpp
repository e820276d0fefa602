#include "ui/TickImages.h"

namespace kaze {

namespace {

// A device context of the screen, released with the object.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A bitmap selected into a memory context of its own while the object lives.
class Canvas {
 public:
  Canvas(HDC screen, int width, int height)
      : dc_(CreateCompatibleDC(screen)), bitmap_(CreateCompatibleBitmap(screen, width, height)) {
    if (dc_ != nullptr && bitmap_ != nullptr) replaced_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    if (replaced_ != nullptr) SelectObject(dc_, replaced_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool ready() const { return replaced_ != nullptr; }
  HDC dc() const { return dc_; }
  // The bitmap, no longer selected (an image list copies only an unselected one).
  HBITMAP Finish() {
    if (replaced_ != nullptr) SelectObject(dc_, replaced_);
    replaced_ = nullptr;
    return bitmap_;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ replaced_ = nullptr;
};

}  // namespace

ImageList CreateTickImages() {
  const int width = GetSystemMetrics(SM_CXSMICON);
  const int height = GetSystemMetrics(SM_CYSMICON);
  ImageList images(ImageList_Create(width, height, ILC_COLORDDB, 2, 0));
  if (images.get() == nullptr) return images;
  ScreenDc screen;
  if (screen.get() == nullptr) return ImageList();
  Canvas canvas(screen.get(), width * 2, height);
  if (!canvas.ready()) return ImageList();

  RECT all = {0, 0, width * 2, height};
  HBRUSH background = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
  if (background != nullptr) {
    FillRect(canvas.dc(), &all, background);
    DeleteObject(background);
  }
  // The box of an ordinary check box (13 pixels in a 16-pixel image), centred.
  int side = height > 3 ? height - 3 : height;
  if (side > width) side = width;
  for (int image = 0; image < 2; ++image) {
    const int left = image * width + (width - side) / 2;
    const int top = (height - side) / 2;
    RECT box = {left, top, left + side, top + side};
    UINT state = DFCS_BUTTONCHECK | DFCS_FLAT | (image == 1 ? DFCS_CHECKED : 0);
    DrawFrameControl(canvas.dc(), &box, DFC_BUTTON, state);
  }
  if (ImageList_Add(images.get(), canvas.Finish(), nullptr) != 0) return ImageList();
  return images;
}

}  // namespace kaze
