#pragma once
// A device context for one WM_PAINT that draws into a memory bitmap and copies the
// finished picture to the target in one step, so that a control redrawn many times a
// second does not flicker. A printer target is drawn on directly.
#include <windows.h>

namespace kaze {

class OffscreenSurface {
 public:
  // `target` stays the caller's (usually the one of BeginPaint).
  explicit OffscreenSurface(HDC target);
  // Copies the picture to the target (off-screen only) and frees the memory context.
  ~OffscreenSurface();
  OffscreenSurface(const OffscreenSurface&) = delete;
  OffscreenSurface& operator=(const OffscreenSurface&) = delete;

  // Where to draw, in the target's own coordinates.
  HDC dc() const { return offscreen_ ? memory_ : target_; }
  bool offscreen() const { return offscreen_; }

 private:
  HDC target_;
  RECT clip_ = {};
  bool offscreen_ = false;
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ replaced_ = nullptr;
};

}  // namespace kaze
