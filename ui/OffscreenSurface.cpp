#include "ui/OffscreenSurface.h"

namespace kaze {

OffscreenSurface::OffscreenSurface(HDC target) : target_(target) {
  if (GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER) return;
  GetClipBox(target, &clip_);
  int width = clip_.right - clip_.left;
  int height = clip_.bottom - clip_.top;
  // Nothing to copy, or no memory for the picture: draw on the target itself, which only
  // costs the flicker.
  if (width <= 0 || height <= 0) return;
  memory_ = CreateCompatibleDC(target);
  if (memory_ == nullptr) return;
  bitmap_ = CreateCompatibleBitmap(target, width, height);
  if (bitmap_ == nullptr) {
    DeleteDC(memory_);
    memory_ = nullptr;
    return;
  }
  replaced_ = SelectObject(memory_, bitmap_);
  SetWindowOrgEx(memory_, clip_.left, clip_.top, nullptr);
  offscreen_ = true;
}

OffscreenSurface::~OffscreenSurface() {
  if (!offscreen_) return;
  BitBlt(target_, clip_.left, clip_.top, clip_.right - clip_.left, clip_.bottom - clip_.top,
         memory_, clip_.left, clip_.top, SRCCOPY);
  SelectObject(memory_, replaced_);
  DeleteObject(bitmap_);
  DeleteDC(memory_);
}

}  // namespace kaze
