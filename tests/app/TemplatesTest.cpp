// The dialog templates as the pages and the frame expect them: every control's id, class,
// text, position and the styles that matter, read back from real windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

struct ControlSpec {
  int id;
  const char* className;  // as GetClassNameA reports it
  const char* text;
  RECT units;             // x, y, w, h in dialog units (stored as left, top, right=w, bottom=h)
  bool visible;
};

struct DialogSpec {
  int id;
  SIZE units;
  std::vector<ControlSpec> controls;
};

const char kStartInstructions[] =
    "・上記ディスクをドライブへセットし［次へ］ボタンをクリックして下さい。\t\n"
    "※　上記ディスクをドライブへ入れる事でインストーラが起動した場合、閉じて下さい。";
const char kAdminNote[] =
    "・Windows 2000 / XP の場合、アドミニストレータ権限をもつユーザで無ければインストール作業を"
    "行うことができません。";
const char kRestartText[] =
    "・DirectX のバージョンアップを行いました。\r\n　設定を有効にするために 「再起動」 をする"
    "必要があります。\r\n\r\n　「終了」ボタンをクリックすると自動的に再起動します。";

const std::vector<DialogSpec>& Dialogs() {
  static const std::vector<DialogSpec> dialogs = {
      {IDD_WIZARD_FRAME, {319, 219}, {
           {1008, "Button", "次へ", {200, 200, 55, 14}, true},
           {2, "Button", "キャンセル", {260, 200, 55, 14}, true},
           {1009, "Button", "戻る", {140, 200, 55, 14}, false},
       }},
      {IDD_START_PAGE, {319, 195}, {
           {1012, "Button", "「%s」のインストールを開始します", {9, 35, 300, 80}, true},
           {1018, "Static", "%s", {75, 50, 165, 15}, true},
           {-1, "Static", kStartInstructions, {15, 70, 285, 15}, true},
           {-1, "Static", kAdminNote, {15, 90, 280, 20}, true},
       }},
      {IDD_DISC_PAGE, {319, 195}, {
           {1025, "Static", "※ ディスクの認識には数秒から数十秒かかります。しばらくお待ちください ※", {5, 20, 305, 8}, true},
           {-1, "Button", "状態", {5, 55, 305, 25}, true},
           {1021, "Static", "現在ディスクの認識中です", {10, 65, 295, 8}, true},
           {-1, "Button", "認識結果", {5, 85, 305, 45}, true},
           {-1, "Static", "ドライブ", {15, 100, 23, 8}, true},
           {-1, "Static", "ボリューム", {15, 115, 45, 8}, true},
           {-1, "Static", "：", {60, 100, 8, 8}, true},
           {-1, "Static", "：", {60, 115, 8, 8}, true},
           {1022, "Static", "Static", {70, 101, 235, 8}, true},
           {1023, "Static", "Static", {70, 115, 235, 8}, true},
           {1012, "Button", "", {60, 155, 200, 30}, false},
           {1024, "Button", "再認識", {115, 165, 90, 14}, false},
           {1, "Button", "Button1", {5, 165, 50, 14}, false},
       }},
      {IDD_SETTINGS_PAGE, {319, 195}, {
           {-1, "Button", "インストールオプション", {5, 5, 310, 155}, true},
           {1003, "SysListView32", "List1", {10, 15, 145, 140}, true},
           {-1, "Button", "説明", {160, 15, 150, 105}, true},
           {1027, "Static", "Static", {165, 25, 140, 90}, true},
           {-1, "Button", "容量", {160, 125, 150, 30}, true},
           {1028, "Static", "空きドライブ容量 (%c：)", {170, 135, 70, 8}, true},
           {1007, "Static", "????", {250, 135, 30, 8}, true},
           {-1, "Static", "必要空き容量", {170, 145, 70, 8}, true},
           {1006, "Static", "????", {250, 145, 30, 8}, true},
           {-1, "Static", "：", {240, 135, 8, 8}, true},
           {-1, "Static", "：", {240, 145, 8, 8}, true},
           {-1, "Static", "Mbyte", {285, 135, 25, 8}, true},
           {-1, "Static", "Mbyte", {285, 145, 25, 8}, true},
           {-1, "Button", "インストールフォルダ", {5, 165, 310, 30}, true},
           {1002, "Edit", "", {10, 177, 265, 14}, true},
           {1001, "Button", "参照", {280, 177, 30, 14}, true},
           {1, "Button", "Button2", {126, 0, 50, 14}, false},
       }},
      {IDD_PROGRESS_PAGE, {319, 195}, {
           {65535, "Button", "Install Progress", {5, 25, 309, 140}, true},
           {1032, "Static", "※　現在、インストール作業を行っています。作業終了までしばらくお待ちください　※", {10, 45, 299, 8}, true},
           {1030, "Static", "作業ファイル名", {15, 80, 290, 8}, true},
           {1019, "msctls_progress32", "", {15, 95, 290, 14}, true},
           {1001, "Button", "キャンセル", {130, 130, 60, 14}, true},
           {1, "Button", "Button2", {5, 170, 50, 14}, false},
       }},
      {IDD_DISC_REQUEST, {207, 61}, {
           {1, "Button", "OK", {15, 32, 50, 14}, true},
           {2, "Button", "ｷｬﾝｾﾙ", {145, 32, 50, 14}, true},
           {-1, "Button", "", {6, 1, 195, 49}, true},
           {1029, "Static", "Static", {15, 15, 180, 8}, true},
       }},
      {IDD_COMPLETION_PAGE, {319, 195}, {
           {1034, "Static", "「%s」のインストールが完了しました", {10, 45, 295, 8}, true},
           {-1, "Button", "追加情報", {10, 70, 300, 75}, true},
           {1033, "Static", kRestartText, {15, 80, 290, 60}, true},
       }},
  };
  return dialogs;
}

INT_PTR CALLBACK PassiveProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

class Templates : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&init);
    parent_ = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  static void TearDownTestSuite() { DestroyWindow(parent_); }

  static HWND parent_;
};
HWND Templates::parent_ = nullptr;

std::vector<HWND> Children(HWND dialog) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    children.push_back(c);
  }
  return children;
}

TEST_F(Templates, EveryControlHasItsIdTextPlaceAndVisibility) {
  for (const DialogSpec& layout : Dialogs()) {
    SCOPED_TRACE("dialog " + std::to_string(layout.id));
    bool page = layout.id != IDD_WIZARD_FRAME && layout.id != IDD_DISC_REQUEST;
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(layout.id),
                                     page ? parent_ : nullptr, PassiveProc, 0);
    ASSERT_NE(dialog, nullptr);

    RECT size = {0, 0, layout.units.cx, layout.units.cy};
    MapDialogRect(dialog, &size);
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    std::vector<HWND> children = Children(dialog);
    ASSERT_EQ(children.size(), layout.controls.size());
    for (size_t i = 0; i < children.size(); ++i) {
      const ControlSpec& want = layout.controls[i];
      HWND control = children[i];
      SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
      EXPECT_EQ(static_cast<short>(GetDlgCtrlID(control)), static_cast<short>(want.id));
      char name[64] = {};
      GetClassNameA(control, name, sizeof name);
      EXPECT_STRCASEEQ(name, want.className);
      char text[512] = {};
      GetWindowTextA(control, text, sizeof text);
      EXPECT_STREQ(text, want.text);
      EXPECT_EQ((GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0, want.visible);

      // Windows maps the position and the size each on its own.
      RECT expected = want.units;
      MapDialogRect(dialog, &expected);
      RECT actual;
      GetWindowRect(control, &actual);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
      EXPECT_EQ(actual.left, expected.left);
      EXPECT_EQ(actual.top, expected.top);
      EXPECT_EQ(actual.right - actual.left, expected.right);
      EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
    }

    // The font of every template.
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA logFont = {};
    GetObjectA(font, sizeof logFont, &logFont);
    EXPECT_STREQ(logFont.lfFaceName, "ＭＳ Ｐゴシック");
    DestroyWindow(dialog);
  }
}

// Every label shows whole in the dialogs' font: a text wider than its control is cut
// (as a font of other widths than the one the dialogs were laid out for does). The texts
// that the pages fill in are measured as a page fills them in.
TEST_F(Templates, EveryLabelFitsItsControl) {
  const struct {
    int dialog;
    int control;
    const char* text;
  } filled[] = {
      {IDD_SETTINGS_PAGE, IDC_FREE_CAPTION, "空きドライブ容量 (C：)"},
      {IDD_SETTINGS_PAGE, IDC_FREE_SPACE, "99999"},
      {IDD_SETTINGS_PAGE, IDC_NEEDED_SPACE, "99999"},
  };
  for (const DialogSpec& layout : Dialogs()) {
    SCOPED_TRACE("dialog " + std::to_string(layout.id));
    bool page = layout.id != IDD_WIZARD_FRAME && layout.id != IDD_DISC_REQUEST;
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(layout.id),
                                     page ? parent_ : nullptr, PassiveProc, 0);
    ASSERT_NE(dialog, nullptr);
    HDC dc = GetDC(dialog);
    for (HWND control : Children(dialog)) {
      char name[64] = {};
      GetClassNameA(control, name, sizeof name);
      LONG style = GetWindowLongA(control, GWL_STYLE);
      bool label = _stricmp(name, "Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT;
      bool button = _stricmp(name, "Button") == 0 &&
                    ((style & 0xF) == BS_PUSHBUTTON || (style & 0xF) == BS_DEFPUSHBUTTON ||
                     (style & 0xF) == BS_GROUPBOX);
      if (!label && !button) continue;
      char text[512] = {};
      GetWindowTextA(control, text, sizeof text);
      for (const auto& f : filled) {
        if (f.dialog == layout.id && f.control == GetDlgCtrlID(control)) {
          std::snprintf(text, sizeof text, "%s", f.text);
        }
      }
      if (text[0] == '\0' || std::strcmp(text, "Static") == 0) continue;  // filled in later
      RECT client;
      GetClientRect(control, &client);
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
      RECT needed = {0, 0, client.right, 0};
      UINT format = DT_CALCRECT | DT_EXPANDTABS | (label ? DT_WORDBREAK : DT_SINGLELINE);
      DrawTextA(dc, text, -1, &needed, format);
      TEXTMETRICA metrics = {};
      GetTextMetricsA(dc, &metrics);
      SelectObject(dc, old);
      SCOPED_TRACE(std::string("\"") + text + "\"");
      if (label) {
        // Kana and kanji stand on the baseline: a last line that loses only its descent
        // still shows whole; one more line does not.
        EXPECT_LE(needed.bottom - metrics.tmDescent, client.bottom)
            << "the label wraps beyond its height";
        EXPECT_LE(needed.right, client.right);
      } else {
        // A button's frame and a group box's line take a few pixels of each side.
        EXPECT_LE(needed.right, client.right - 6);
      }
    }
    ReleaseDC(dialog, dc);
    DestroyWindow(dialog);
  }
}

TEST_F(Templates, WindowStylesOfFrameRequestAndPages) {
  struct Style { int id; DWORD required; DWORD forbidden; DWORD exRequired; const char* caption; };
  const Style styles[] = {
      {IDD_WIZARD_FRAME, WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME, WS_SYSMENU | WS_CHILD,
       WS_EX_APPWINDOW, "Kaze 簡易インストールプログラム"},
      {IDD_DISC_REQUEST, WS_POPUP | WS_CAPTION | DS_MODALFRAME, WS_SYSMENU | WS_CHILD,
       WS_EX_STATICEDGE, ""},
      {IDD_START_PAGE, WS_CHILD, WS_CAPTION | WS_VISIBLE, 0, ""},
      {IDD_DISC_PAGE, WS_CHILD, WS_CAPTION | WS_VISIBLE, 0, ""},
      {IDD_SETTINGS_PAGE, WS_CHILD, WS_CAPTION | WS_VISIBLE, 0, ""},
      {IDD_PROGRESS_PAGE, WS_CHILD, WS_CAPTION | WS_VISIBLE, 0, ""},
      {IDD_COMPLETION_PAGE, WS_CHILD, WS_CAPTION | WS_VISIBLE, 0, ""},
  };
  for (const Style& s : styles) {
    SCOPED_TRACE("dialog " + std::to_string(s.id));
    bool page = (s.required & WS_CHILD) != 0;
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(s.id),
                                     page ? parent_ : nullptr, PassiveProc, 0);
    ASSERT_NE(dialog, nullptr);
    DWORD style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(style & s.required, s.required);
    EXPECT_EQ(style & s.forbidden, 0u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)) & s.exRequired, s.exRequired);
    char caption[256] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, s.caption);
    DestroyWindow(dialog);
  }

  // Controls whose style carries meaning.
  HWND settings = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS_PAGE),
                                     parent_, PassiveProc, 0);
  LONG list = GetWindowLongA(GetDlgItem(settings, 1003), GWL_STYLE);
  EXPECT_EQ(list & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(list & LVS_NOCOLUMNHEADER);
  EXPECT_TRUE(GetWindowLongA(GetDlgItem(settings, 1002), GWL_STYLE) & ES_AUTOHSCROLL);
  EXPECT_EQ(GetWindowLongA(GetDlgItem(settings, 1), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
  DestroyWindow(settings);

  HWND disc = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DISC_PAGE),
                                 parent_, PassiveProc, 0);
  EXPECT_EQ(GetWindowLongA(GetDlgItem(disc, 1012), GWL_STYLE) & BS_CENTER, BS_CENTER);
  EXPECT_EQ(GetWindowLongA(GetDlgItem(disc, 1021), GWL_STYLE) & SS_TYPEMASK, SS_CENTER);
  DestroyWindow(disc);

  HWND start = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_START_PAGE),
                                  parent_, PassiveProc, 0);
  LONG name = GetWindowLongA(GetDlgItem(start, 1018), GWL_STYLE);
  EXPECT_EQ(name & SS_TYPEMASK, SS_CENTER);
  EXPECT_TRUE(name & SS_CENTERIMAGE);
  DestroyWindow(start);
}

TEST_F(Templates, IconIsThere) {
  EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SETUP)), nullptr);
}

}  // namespace
