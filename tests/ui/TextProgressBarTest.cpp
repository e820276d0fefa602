// The text progress bar on the real progress control of the progress page (template 108),
// in a visible window: what it paints is read back from the screen.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "ui/OffscreenSurface.h"
#include "ui/TextProgressBar.h"

namespace kaze::test {
namespace {

const int kWidth = 300;
const int kHeight = 30;
const int kTopRow = 2;  // above the bottom-aligned text

// A picture of a window's client area as COLORREFs, row by row.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;
  COLORREF at(int x, int y) const { return pixels[y * width + x]; }
  bool operator==(const Picture& other) const {
    return width == other.width && height == other.height && pixels == other.pixels;
  }
  // How many pixels of `colour` lie in columns [left, right) of the rows [top, bottom).
  int Count(COLORREF colour, int left, int right, int top, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) n += at(x, y) == colour ? 1 : 0;
    }
    return n;
  }
};

class DibCanvas {
 public:
  DibCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~DibCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC dc() const { return dc_; }
  Picture Read() const {
    GdiFlush();
    Picture picture;
    picture.width = width_;
    picture.height = height_;
    const DWORD* p = static_cast<const DWORD*>(bits_);
    for (int i = 0; i < width_ * height_; ++i) {
      picture.pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    }
    return picture;
  }

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
  void* bits_ = nullptr;
};

Picture ClientSize(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  Picture size;
  size.width = client.right;
  size.height = client.bottom;
  return size;
}

// What the screen shows of the control.
Picture FromScreen(HWND window) {
  Picture size = ClientSize(window);
  DibCanvas canvas(size.width, size.height);
  HDC screen = GetDC(window);
  BitBlt(canvas.dc(), 0, 0, size.width, size.height, screen, 0, 0, SRCCOPY);
  ReleaseDC(window, screen);
  return canvas.Read();
}

// What the control paints into a printing context.
Picture FromPrintClient(HWND window) {
  Picture size = ClientSize(window);
  DibCanvas canvas(size.width, size.height);
  SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
  return canvas.Read();
}

int& PaintCount() {
  static int count = 0;
  return count;
}
HWND& WatchedWindow() {
  static HWND window = nullptr;
  return window;
}
LRESULT CALLBACK CountPaints(int code, WPARAM wParam, LPARAM lParam) {
  auto* sent = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_PAINT && sent->hwnd == WatchedWindow()) {
    ++PaintCount();
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK PageProcedure(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// One visible host with the progress page for the whole suite: Wine takes seconds to
// take a mapped top-level window down.
class TextProgressBarTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = DefWindowProcA;
    hostClass.hInstance = instance;
    hostClass.lpszClassName = "KazeBarHost";
    hostClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&hostClass);
    host_ = CreateWindowExA(WS_EX_TOPMOST, "KazeBarHost", "", WS_POPUP | WS_VISIBLE, 0, 0,
                            700, 400, nullptr, nullptr, instance, nullptr);
    page_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS_PAGE), host_,
                               PageProcedure, 0);
    ShowWindow(page_, SW_SHOW);
    font_ = CreateFontA(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                        NONANTIALIASED_QUALITY, 0, "Tahoma");
    hook_ = SetWindowsHookExA(WH_CALLWNDPROC, CountPaints, nullptr, GetCurrentThreadId());
  }
  static void TearDownTestSuite() {
    UnhookWindowsHookEx(hook_);
    DestroyWindow(host_);
    DeleteObject(font_);
  }

  void SetUp() override {
    ASSERT_NE(page_, nullptr);
    control_ = GetDlgItem(page_, IDC_PROGRESS_BAR);
    ASSERT_NE(control_, nullptr);
    SizeClient(kWidth, kHeight);
    WatchedWindow() = control_;
  }

  // Gives the control a client area of exactly width x height (it has a border).
  void SizeClient(int width, int height) {
    SetWindowPos(control_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(control_, &client);
    SetWindowPos(control_, nullptr, 0, 0, 2 * width - client.right, 2 * height - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow(control_);
  }

  // Paints caused by `action`.
  template <typename Action>
  int PaintsDuring(Action action) {
    UpdateWindow(control_);
    PaintCount() = 0;
    action();
    return PaintCount();
  }

  static HWND host_;
  static HWND page_;
  static HFONT font_;
  static HHOOK hook_;
  HWND control_ = nullptr;
};
HWND TextProgressBarTest::host_ = nullptr;
HWND TextProgressBarTest::page_ = nullptr;
HFONT TextProgressBarTest::font_ = nullptr;
HHOOK TextProgressBarTest::hook_ = nullptr;

TEST_F(TextProgressBarTest, StartsEmptyWithTheSystemColours) {
  TextProgressBar bar;
  int lower = -1, upper = -1;
  bar.GetRange(lower, upper);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, 0);
  EXPECT_EQ(bar.GetPos(), 0);
  EXPECT_EQ(bar.barWidth(), -1);
  EXPECT_STREQ(bar.text(), "");
  EXPECT_EQ(bar.barColour(), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(bar.emptyColour(), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(bar.textOverBarColour(), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(bar.textOverEmptyColour(), GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(TextProgressBarTest, RangeIsSixteenBitSignExtended) {
  struct Case {
    int minimum, maximum;  // as passed through a 16-bit parameter
    int lower, upper;
  } cases[] = {
      {0, 3000, 0, 3000},
      {0, 40000, 0, -25536},
      {-5, 7, -5, 7},
      {-32768, 32767, -32768, 32767},
  };
  TextProgressBar bar;
  ASSERT_TRUE(bar.Attach(control_));
  for (const Case& c : cases) {
    bar.SetRange(static_cast<short>(c.minimum), static_cast<short>(c.maximum));
    int lower = 0, upper = 0;
    bar.GetRange(lower, upper);
    EXPECT_EQ(lower, c.lower) << c.maximum;
    EXPECT_EQ(upper, c.upper) << c.maximum;
  }
}

TEST_F(TextProgressBarTest, PaintsBarEmptyPartAndTwoColouredText) {
  struct Case {
    int minimum, maximum, position;
    int split;        // first column of the empty part; -1: an empty control
    const char* what;
  } cases[] = {
      {0, 3000, 1500, 150, "half"},
      {0, 3000, 3000, 300, "full"},
      {0, 3000, 4500, 300, "beyond the maximum"},
      {0, 3000, -10, 0, "below the minimum"},
      {0, 3000, 0, 0, "start"},
      {0, 0, 5, -1, "range 0..0"},
      {0, 40000, 100, -1, "maximum past 16 bits"},
  };
  TextProgressBar bar;
  ASSERT_TRUE(bar.Attach(control_));
  bar.SetTextFont(font_, false);
  // Wider than the control, so that the text runs over both parts wherever the split is.
  bar.SetText("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMM", false);
  const COLORREF barColour = bar.barColour();
  const COLORREF emptyColour = bar.emptyColour();
  ASSERT_NE(barColour, emptyColour);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bar.SetRange(static_cast<short>(c.minimum), static_cast<short>(c.maximum));
    bar.SetPos(c.position);
    InvalidateRect(control_, nullptr, FALSE);
    UpdateWindow(control_);
    Picture picture = FromScreen(control_);
    ASSERT_EQ(picture.width, kWidth);
    ASSERT_EQ(picture.height, kHeight);
    const int textTop = kHeight / 2;  // the 16-pixel text sits at the bottom
    if (c.split < 0) {
      EXPECT_EQ(picture.Count(emptyColour, 0, kWidth, 0, kHeight), kWidth * kHeight)
          << "an empty control without text";
      continue;
    }
    EXPECT_EQ(picture.Count(barColour, 0, c.split, kTopRow, kTopRow + 1), c.split);
    EXPECT_EQ(picture.Count(emptyColour, c.split, kWidth, kTopRow, kTopRow + 1),
              kWidth - c.split);
    // Text over the bar is in the empty part's colour and the other way round; only
    // these two colours appear.
    EXPECT_EQ(picture.Count(barColour, 0, kWidth, 0, kHeight) +
                  picture.Count(emptyColour, 0, kWidth, 0, kHeight),
              kWidth * kHeight);
    if (c.split > 0) {
      EXPECT_GT(picture.Count(emptyColour, 0, c.split, textTop, kHeight), 20)
          << "text over the bar";
    }
    if (c.split < kWidth) {
      EXPECT_GT(picture.Count(barColour, c.split, kWidth, textTop, kHeight), 20)
          << "text over the empty part";
    }
  }
}

TEST_F(TextProgressBarTest, PartialRepaintAndPrintingMatchAFullPaint) {
  TextProgressBar bar;
  ASSERT_TRUE(bar.Attach(control_));
  bar.SetTextFont(font_, false);
  bar.SetRange(0, 3000);
  bar.SetText("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMM", false);
  bar.SetPos(1500);
  InvalidateRect(control_, nullptr, FALSE);
  UpdateWindow(control_);
  Picture full = FromScreen(control_);

  // Wipe the screen behind the control's back, then repaint only a box that does not
  // start at the origin: the off-screen picture and the text clipping must still line up.
  HDC screen = GetDC(control_);
  RECT all = {0, 0, kWidth, kHeight};
  FillRect(screen, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(control_, screen);
  RECT box = {100, 5, 260, kHeight};
  InvalidateRect(control_, &box, FALSE);
  UpdateWindow(control_);
  Picture partial = FromScreen(control_);
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      ASSERT_EQ(partial.at(x, y), full.at(x, y)) << x << "," << y;
    }
  }
  EXPECT_EQ(partial.at(50, 1), RGB(0, 0, 0)) << "outside the box nothing was painted";

  EXPECT_TRUE(FromPrintClient(control_) == full);
}

TEST_F(TextProgressBarTest, OffscreenSurfaceReachesTheScreenOnlyWhenDone) {
  HDC screen = GetDC(control_);
  RECT all = {0, 0, kWidth, kHeight};
  FillRect(screen, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  {
    OffscreenSurface surface(screen);
    ASSERT_TRUE(surface.offscreen());
    ASSERT_NE(surface.dc(), screen);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT right = {kWidth / 2, 0, kWidth, kHeight};
    FillRect(surface.dc(), &right, red);
    DeleteObject(red);
    EXPECT_EQ(FromScreen(control_).Count(RGB(255, 0, 0), 0, kWidth, 0, kHeight), 0)
        << "nothing shows while drawing";
  }
  Picture after = FromScreen(control_);
  ReleaseDC(control_, screen);
  EXPECT_EQ(after.Count(RGB(255, 0, 0), kWidth / 2, kWidth, 0, kHeight),
            (kWidth / 2) * kHeight);
  InvalidateRect(control_, nullptr, FALSE);
}

TEST_F(TextProgressBarTest, RepaintsOnlyWhenTheBarMovesAPixelOrTheTextChanges) {
  TextProgressBar bar;
  ASSERT_TRUE(bar.Attach(control_));
  bar.SetRange(0, 3000);  // 10 positions per pixel
  EXPECT_EQ(PaintsDuring([&] { bar.SetPos(0); }), 1) << "the first position always paints";
  EXPECT_EQ(bar.barWidth(), 0);
  EXPECT_EQ(PaintsDuring([&] { bar.SetPos(9); }), 0);
  EXPECT_EQ(PaintsDuring([&] { bar.SetPos(1500); }), 1);
  EXPECT_EQ(bar.barWidth(), 150);
  EXPECT_EQ(PaintsDuring([&] { bar.SetPos(1505); }), 0);
  EXPECT_EQ(bar.GetPos(), 1505);
  EXPECT_EQ(PaintsDuring([&] { bar.SetPos(1510); }), 1);

  // A new size forgets the width, so the same position paints again.
  SizeClient(kWidth, kHeight + 2);
  EXPECT_EQ(bar.barWidth(), -1);
  EXPECT_EQ(PaintsDuring([&] { bar.SetPos(1510); }), 1);

  EXPECT_EQ(PaintsDuring([&] { bar.SetText("37.50 % "); }), 1);
  EXPECT_EQ(PaintsDuring([&] { bar.SetText("37.50 % "); }), 0) << "an unchanged text is not drawn again";
  EXPECT_EQ(PaintsDuring([&] { bar.SetText("37.60 % ", false); }), 0);
  EXPECT_STREQ(bar.text(), "37.60 % ");
  EXPECT_EQ(PaintsDuring([&] { bar.SetTextFont(font_, false); }), 0);
  EXPECT_EQ(PaintsDuring([&] { bar.SetTextFont(font_, true); }), 1);
  // An empty range: no division by zero, and the control paints empty.
  bar.SetRange(0, 0);
  EXPECT_EQ(PaintsDuring([&] { bar.SetPos(7); }), 1);
  EXPECT_EQ(bar.barWidth(), 0);

  // Another process learns the count through the registered message.
  const UINT count = RegisterWindowMessageA(TextProgressBar::kPaintCountMessage);
  const LRESULT before = SendMessageA(control_, count, 0, 0);
  EXPECT_EQ(before, static_cast<LRESULT>(bar.paints()));
  EXPECT_GE(before, 7);
  bar.SetRange(0, 3000);
  EXPECT_EQ(PaintsDuring([&] { bar.SetPos(1000); }), 1);
  EXPECT_EQ(SendMessageA(control_, count, 0, 0), before + 1);
}

TEST_F(TextProgressBarTest, LongTextIsCutToWholeCharacters) {
  TextProgressBar bar;
  std::string text;
  for (int i = 0; i < 130; ++i) text += "表";  // 260 bytes
  bar.SetText(text.c_str());
  EXPECT_EQ(std::string(bar.text()), text.substr(0, 258));
}

TEST_F(TextProgressBarTest, WithoutAWindowNothingIsStored) {
  TextProgressBar bar;
  EXPECT_EQ(bar.SetPos(5), -1);
  EXPECT_EQ(bar.GetPos(), 0);

  HWND lone = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, page_,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(bar.Attach(lone));
  EXPECT_EQ(bar.SetPos(3), 0) << "the previous position comes back";
  EXPECT_EQ(bar.SetPos(4), 3);
  EXPECT_EQ(bar.GetPos(), 4);
  DestroyWindow(lone);
  EXPECT_EQ(bar.window(), nullptr);
  EXPECT_EQ(bar.SetPos(8), -1);
  EXPECT_EQ(bar.GetPos(), 4);
}

TEST_F(TextProgressBarTest, OneBarPerControlAndTheControlIsGivenBack) {
  LONG_PTR original = GetWindowLongPtrA(control_, GWLP_WNDPROC);
  {
    TextProgressBar first;
    ASSERT_TRUE(first.Attach(control_));
    EXPECT_EQ(first.window(), control_);
    EXPECT_NE(GetWindowLongPtrA(control_, GWLP_WNDPROC), original);
    TextProgressBar second;
    EXPECT_FALSE(second.Attach(control_));
    EXPECT_FALSE(second.Attach(nullptr));
  }
  EXPECT_EQ(GetWindowLongPtrA(control_, GWLP_WNDPROC), original);
  TextProgressBar again;
  EXPECT_TRUE(again.Attach(control_));
}

}  // namespace
}  // namespace kaze::test
