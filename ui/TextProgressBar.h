#pragma once
// The progress bar of the progress page: takes over the dialog's progress control
// (window subclassing) and draws a bar with a text inside, off screen, so that the many
// redraws during extraction do not flicker. The standard control's own range and
// position are never used.
#include <windows.h>

namespace kaze {

class TextProgressBar {
 public:
  // Position 0, bar width -1, range 0..0, no font, show text 1, text "", system colours
  // taken now.
  TextProgressBar();
  // Removes the subclassing if still attached.
  ~TextProgressBar();
  TextProgressBar(const TextProgressBar&) = delete;
  TextProgressBar& operator=(const TextProgressBar&) = delete;

  // Subclasses the existing control (e.g. 1019 of dialog 108). False when the control is
  // not a window or another bar already holds it.
  bool Attach(HWND control);
  // Gives the control back its own window procedure.
  void Detach();
  HWND window() const { return window_; }

  // Stored sign-extended; no redraw.
  void SetRange(short minimum, short maximum);
  void GetRange(int& lower, int& upper) const;
  // Redraws at once when the filled part's width in pixels changes. Returns the previous
  // position, or -1 with nothing stored while the control has no window.
  int SetPos(int position);
  int GetPos() const { return position_; }
  // Up to 259 bytes, cut to whole characters; redraws at once when asked and the text
  // changed.
  void SetText(const char* text, bool redraw = true);
  const char* text() const { return text_; }
  // The font stays the caller's.
  void SetTextFont(HFONT font, bool redraw);

  // Width in pixels of the filled part at the last SetPos; -1 when not yet computed.
  int barWidth() const { return barWidth_; }
  COLORREF barColour() const { return barColour_; }
  COLORREF emptyColour() const { return emptyColour_; }
  COLORREF textOverBarColour() const { return textOverBar_; }
  COLORREF textOverEmptyColour() const { return textOverEmpty_; }

  // The registered window message that the attached control answers with how often the
  // bar was drawn: the benchmark counts the repaints from its own process.
  static const char kPaintCountMessage[];
  unsigned paints() const { return paints_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC target);
  void RedrawNow();

  int position_ = 0;
  int barWidth_ = -1;
  int maximum_ = 0;
  int minimum_ = 0;
  HFONT font_ = nullptr;
  bool showText_ = true;
  char text_[260] = {};
  COLORREF textOverEmpty_;
  COLORREF textOverBar_;
  COLORREF barColour_;
  COLORREF emptyColour_;

  HWND window_ = nullptr;
  WNDPROC previous_ = nullptr;
  UINT paintCountMessage_ = 0;
  unsigned paints_ = 0;
};

}  // namespace kaze
