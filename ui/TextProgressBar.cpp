#include "ui/TextProgressBar.h"

#include <cstring>

#include "ui/OffscreenSurface.h"
#include "ui/ProgressGeometry.h"

namespace kaze {

namespace {

// The window property that leads from the control back to its bar.
const char kBarProperty[] = "KazeTextProgressBar";

class SolidBrush {
 public:
  explicit SolidBrush(COLORREF colour) : brush_(CreateSolidBrush(colour)) {}
  ~SolidBrush() {
    if (brush_ != nullptr) DeleteObject(brush_);
  }
  SolidBrush(const SolidBrush&) = delete;
  SolidBrush& operator=(const SolidBrush&) = delete;
  HBRUSH get() const { return brush_; }

 private:
  HBRUSH brush_;
};

// Clips `dc` to `area` (logical coordinates) while alive; the clipping is lifted again.
class ClipTo {
 public:
  ClipTo(HDC dc, const RECT& area) : dc_(dc) {
    // A clip region is given in device coordinates, and the off-screen surface has moved
    // its origin to the painted box.
    RECT device = area;
    LPtoDP(dc, reinterpret_cast<POINT*>(&device), 2);
    region_ = CreateRectRgnIndirect(&device);
    SelectClipRgn(dc, region_);
  }
  ~ClipTo() {
    SelectClipRgn(dc_, nullptr);
    if (region_ != nullptr) DeleteObject(region_);
  }
  ClipTo(const ClipTo&) = delete;
  ClipTo& operator=(const ClipTo&) = delete;

 private:
  HDC dc_;
  HRGN region_;
};

class SelectedFont {
 public:
  SelectedFont(HDC dc, HFONT font)
      : dc_(dc), previous_(font != nullptr ? SelectObject(dc, font) : nullptr) {}
  ~SelectedFont() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
  }
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

void Fill(HDC dc, const RECT& area, COLORREF colour) {
  if (area.right <= area.left || area.bottom <= area.top) return;
  SolidBrush brush(colour);
  FillRect(dc, &area, brush.get());
}

}  // namespace

const char TextProgressBar::kPaintCountMessage[] = "KazeTextProgressBarPaints";

TextProgressBar::TextProgressBar()
    : textOverEmpty_(GetSysColor(COLOR_HIGHLIGHT)),
      textOverBar_(GetSysColor(COLOR_WINDOW)),
      barColour_(GetSysColor(COLOR_HIGHLIGHT)),
      emptyColour_(GetSysColor(COLOR_WINDOW)) {}

TextProgressBar::~TextProgressBar() { Detach(); }

bool TextProgressBar::Attach(HWND control) {
  if (control == nullptr || !IsWindow(control)) return false;
  if (GetPropA(control, kBarProperty) != nullptr) return false;
  Detach();
  if (!SetPropA(control, kBarProperty, this)) return false;
  window_ = control;
  paintCountMessage_ = RegisterWindowMessageA(kPaintCountMessage);
  previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextProgressBar::Procedure)));
  barWidth_ = -1;
  InvalidateRect(control, nullptr, FALSE);
  return true;
}

void TextProgressBar::Detach() {
  if (window_ == nullptr) return;
  if (IsWindow(window_)) {
    // Only our own link of the chain is undone; a later subclasser keeps its place.
    if (GetWindowLongPtrA(window_, GWLP_WNDPROC) ==
        reinterpret_cast<LONG_PTR>(&TextProgressBar::Procedure)) {
      SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    }
    RemovePropA(window_, kBarProperty);
  }
  window_ = nullptr;
}

void TextProgressBar::SetRange(short minimum, short maximum) {
  minimum_ = RangeEnd(minimum);
  maximum_ = RangeEnd(maximum);
}

void TextProgressBar::GetRange(int& lower, int& upper) const {
  lower = minimum_;
  upper = maximum_;
}

int TextProgressBar::SetPos(int position) {
  if (window_ == nullptr || !IsWindow(window_)) return -1;
  int previous = position_;
  position_ = position;
  RECT client;
  GetClientRect(window_, &client);
  int width = FilledWidth(position_, minimum_, maximum_, client.right - client.left);
  if (width != barWidth_) {
    barWidth_ = width;
    RedrawNow();
  }
  return previous;
}

void TextProgressBar::SetText(const char* text, bool redraw) {
  char previous[sizeof text_];
  std::memcpy(previous, text_, sizeof previous);
  CopyBarText(text_, text);
  // Only a text that changed is drawn again.
  if (redraw && std::memcmp(previous, text_, sizeof previous) != 0) RedrawNow();
}

void TextProgressBar::SetTextFont(HFONT font, bool redraw) {
  font_ = font;
  if (redraw) RedrawNow();
}

void TextProgressBar::RedrawNow() {
  // Repainted before the call returns: the installation pumps messages only now and then.
  if (window_ != nullptr && IsWindow(window_)) {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
}

void TextProgressBar::Paint(HDC target) {
  ++paints_;
  OffscreenSurface surface(target);
  HDC dc = surface.dc();
  RECT client;
  GetClientRect(window_, &client);
  if (minimum_ >= maximum_) {
    Fill(dc, client, emptyColour_);
    return;
  }
  int split = client.left +
              FilledWidth(position_, minimum_, maximum_, client.right - client.left);
  RECT bar = {client.left, client.top, split, client.bottom};
  RECT empty = {split, client.top, client.right, client.bottom};
  Fill(dc, bar, barColour_);
  Fill(dc, empty, emptyColour_);
  if (!showText_) return;

  // The same text twice, each clipped to its part, so that it reads in both colours.
  SelectedFont font(dc, font_);
  int previousMode = SetBkMode(dc, TRANSPARENT);
  const UINT format = DT_SINGLELINE | DT_BOTTOM | DT_RIGHT;
  {
    ClipTo clip(dc, bar);
    SetTextColor(dc, textOverBar_);
    DrawTextA(dc, text_, -1, &client, format);
  }
  {
    ClipTo clip(dc, empty);
    SetTextColor(dc, textOverEmpty_);
    DrawTextA(dc, text_, -1, &client, format);
  }
  SetBkMode(dc, previousMode);
}

LRESULT CALLBACK TextProgressBar::Procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  auto* self = static_cast<TextProgressBar*>(GetPropA(window, kBarProperty));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  WNDPROC previous = self->previous_;
  if (message != 0 && message == self->paintCountMessage_) return self->paints_;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc != nullptr) {
        self->Paint(dc);
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_PRINTCLIENT:
      self->Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole client area
    case WM_SIZE: {
      LRESULT result = CallWindowProcA(previous, window, message, wParam, lParam);
      self->barWidth_ = -1;
      return result;
    }
    case WM_NCDESTROY:
      self->Detach();
      return CallWindowProcA(previous, window, message, wParam, lParam);
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

}  // namespace kaze
