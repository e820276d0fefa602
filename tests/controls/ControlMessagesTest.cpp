// Drives the test build of setup.exe (setup_recorded.exe, beside this program on the hard
// disk) through a whole installation from the two-type disc in Q:, as a user would: the
// second type is chosen with a double-click on its row. The recorder inside the program
// logs what it sends to its common controls; run-recorded.sh checks the log afterwards.
// KAZE_CONTROLS_VERSION (400, 470, or unset for Wine's own library) is the library the
// program meets.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/ProcessDriver.h"
#include "tests/support/ScratchFiles.h"
#include "tests/support/Screenshot.h"

namespace kaze::test {
namespace {

const char kStep1[] = "「月見日和」インストールプログラム -  1 / 5 「インストールの開始」";
const char kStep2[] = "「月見日和」インストールプログラム -  2 / 5 「ディスクの確認」";
const char kStep3[] = "「月見日和」インストールプログラム -  3 / 5 「インストール設定」";
const char kStep4[] = "「月見日和」インストールプログラム -  4 / 5 「インストール作業」";
const char kStep5[] = "「月見日和」インストールプログラム -  5 / 5「インストール作業の完了」";
const char kFullText[] = "マニュアルを含むすべてのファイルをインストールします。";
const int kTypeList = 1003;
const int kExplanation = 1027;
const int kNeededSpace = 1006;

struct ControlSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchControl(HWND window, LPARAM arg) {
  auto* search = reinterpret_cast<ControlSearch*>(arg);
  if (GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

// A control of the wizard by id, in whichever page holds it.
HWND FindControl(HWND frame, int id) {
  ControlSearch search = {id, nullptr};
  EnumChildWindows(frame, &MatchControl, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Memory inside the program, for list-view messages that take a pointer.
class RemoteMemory {
 public:
  RemoteMemory(DWORD processId, size_t size)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                             processId)),
        size_(size) {
    if (process_ != nullptr) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
  }
  ~RemoteMemory() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  void* address() const { return address_; }
  bool Write(const void* bytes) {
    return address_ != nullptr && WriteProcessMemory(process_, address_, bytes, size_, nullptr);
  }
  bool Read(void* bytes) const {
    return address_ != nullptr && ReadProcessMemory(process_, address_, bytes, size_, nullptr);
  }

 private:
  HANDLE process_;
  size_t size_;
  void* address_ = nullptr;
};

// A part (LVIR_LABEL, LVIR_BOUNDS) of a row of the program's list, in client coordinates.
RECT RowRect(const ChildProcess& setup, HWND list, int row, int part) {
  RECT rect = {part, 0, 0, 0};
  RemoteMemory memory(setup.id(), sizeof rect);
  if (!memory.Write(&rect) ||
      !SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(memory.address())) ||
      !memory.Read(&rect)) {
    return RECT{};
  }
  return rect;
}

// The state image of each row less one: 1 ticked, 0 not.
std::vector<int> Ticks(HWND list) {
  std::vector<int> ticks;
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    UINT state = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    ticks.push_back(static_cast<int>(state >> 12) - 1);
  }
  return ticks;
}

// A double-click of the mouse at a point of a window: the cursor goes there, so that the
// program finds the same place in the messages' position.
void DoubleClick(HWND window, POINT point) {
  POINT screen = point;
  ClientToScreen(window, &screen);
  SetCursorPos(screen.x, screen.y);
  LPARAM at = MAKELPARAM(point.x, point.y);
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(window, WM_LBUTTONUP, 0, at);
  PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  PostMessageA(window, WM_LBUTTONUP, 0, at);
}

// Where the recorder's log goes, less ".log": screenshots are named after it.
std::string RunName() {
  char log[MAX_PATH] = {};
  GetEnvironmentVariableA("KAZE_CONTROL_LOG", log, sizeof log);
  std::string name = log;
  if (name.size() > 4) name.resize(name.size() - 4);
  return name;
}

TEST(ControlMessages, InstallsTheSecondTypeChosenByADoubleClick) {
  ASSERT_NE(RunName(), "") << "KAZE_CONTROL_LOG is not set: run through run-recorded.sh";
  const char* played = std::getenv("KAZE_CONTROLS_VERSION");
  const bool version400 = played != nullptr && std::atoi(played) == 400;
  // The stand-in account library beside the program answers "administrator".
  SetEnvironmentVariableA("KAZE_NETAPI_PRIVILEGE", "admin");
  const std::string folder = "C:\\Program Files\\KAZE_CORP\\月見日和\\";

  ChildProcess setup("\"" + ProgramFolder() + "setup_recorded.exe\"");
  ASSERT_TRUE(setup.started());
  HWND frame = setup.WaitForWindow(IsWizardFrame, 30000);
  ASSERT_NE(frame, nullptr) << "the wizard did not open";
  HWND next = GetDlgItem(frame, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep1; }, 5000));
  Sleep(300);  // the entry checks run 50 ms after the window appeared
  Click(frame, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep2; }, 5000));
  Sleep(300);
  ASSERT_TRUE(WaitFor(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 8000))
      << "the disc was not found";
  Click(frame, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep3; }, 5000));
  Sleep(300);
  ASSERT_TRUE(WaitFor(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 8000))
      << "install.ini was not loaded";

  HWND list = FindControl(frame, kTypeList);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(Ticks(list), (std::vector<int>{1, 0}));
  if (version400) {
    // The library has no check-box style: the boxes are the program's own.
    EXPECT_NE(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_STATE, 0), 0) << "no check boxes";
  }
  RECT label = RowRect(setup, list, 1, LVIR_LABEL);
  ASSERT_LT(label.top, label.bottom) << "the second row has no place";
  DoubleClick(list, POINT{(label.left + label.right) / 2, (label.top + label.bottom) / 2});
  ASSERT_TRUE(WaitFor(setup, [&] { return Ticks(list) == std::vector<int>{0, 1}; }, 5000))
      << "the double-click did not tick the second type";
  EXPECT_EQ(WindowText(FindControl(frame, kExplanation)), kFullText);
  EXPECT_EQ(WindowText(FindControl(frame, kNeededSpace)), "3");
  Sleep(700);  // let the page finish painting
  EXPECT_TRUE(SaveScreenshot(RunName() + "-step3.bmp"));

  Click(frame, 1008);  // "インストール"
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep4; }, 10000));
  ASSERT_TRUE(WaitFor(setup, [&] {
    return IsWindowVisible(next) && IsWindowEnabled(next) && Exists(folder + "UnInst.dat");
  }, 120000)) << "the installation did not finish";
  // The full type: the manual besides what the standard type installs.
  EXPECT_TRUE(Exists(folder + "Docs\\manual.txt")) << "the second type was not installed";
  EXPECT_TRUE(Exists(folder + "Tsukimi.exe"));
  EXPECT_TRUE(Exists(folder + "Data\\scenario\\chapter1.txt"));

  Click(frame, 1008);
  ASSERT_TRUE(WaitFor(setup, [&] { return WindowText(frame) == kStep5; }, 5000));
  Click(frame, 1008);  // "終了"
  DWORD code = 1;
  EXPECT_TRUE(setup.WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace kaze::test
