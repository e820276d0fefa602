#include "pages/SettingsPage.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/InstallIniLoader.h"
#include "pages/SettingsRules.h"
#include "pages/StartupGroup.h"
#include "resources/resource.h"
#include "system/ControlsVersion.h"
#include "system/Dbcs.h"
#include "system/OsServices.h"
#include "system/TextHelpers.h"
#include "ui/Prompts.h"
#include "ui/TickImages.h"

namespace kaze {

namespace {

const char kInstallIniName[] = "install.ini";
const char kMissingIniMessage[] =
    "インストーラ用情報ファイル 「%s」 が見つかりませんでした。位置を直接指定してください。";
// One filter: its caption and its pattern, then the list's end.
const char kIniFilter[] =
    "Kaze インストーラ用情報ファイル(install.ini)\0install.ini\0";
const char kCancelledMessage[] =
    "インストール情報ファイルの取得をキャンセルされたためインストール作業を続行できません。";
const char kChosenPathTooLongMessage[] =
    "選択されたインストール情報ファイルのパスが長すぎるため使用できません。";
const char kOverlongValueMessage[] =
    "インストール情報ファイルの値が長すぎるため、インストール作業を続行できません。\n(%s)";
const char kUncontainedValueMessage[] =
    "インストール情報ファイルの値がディスクやインストール先の外を指しているか、"
    "名前やキーとして使えないため、インストール作業を続行できません。\n(%s)";
const char kStartupGroupMessage[] =
    "インストール情報ファイルの値ではプログラムグループがスタートアップ フォルダになるため、"
    "インストール作業を続行できません。\n(INSTALL_INFO/%s)";
const char kOverlargeIniMessage[] =
    "インストール情報ファイルが Windows 95/98/Me で読み込める大きさ "
    "(ファイル全体 64 KB、セクション 32 KB) を超えているため、"
    "インストール作業を続行できません。\n(%s)";
const char kDefaultFolderTooLongMessage[] =
    "既定のインストール先フォルダのパスが長すぎます。"
    "[参照] ボタンでインストール先を選択してください。";
const char kBrowsedFolderTooLongMessage[] =
    "選択されたフォルダではインストール先のパスが長すぎます。別のフォルダを選択してください。";
const char kBrowseTitle[] = "インストール位置を選択してください";
const char kFreeSpaceCaption[] = "空きドライブ容量 (%c：)";
const char kExitText[] = "終了";

// 4.70 has these; 4.71 adds LVS_EX_INFOTIP.
constexpr DWORD kListStyles = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
constexpr int kUncheckedImage = 1;
constexpr int kCheckedImage = 2;

bool FileExists(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Shortcuts in a Startup folder would start the game with Windows, and the uninstaller
// would take that folder for the product's group.
const char* StartupGroupOf(const InstallContext& context) {
  const InstallInfo* info = context.installInfo.get();
  return info != nullptr ? StartupGroupKey(info->corpName, info->appName) : nullptr;
}

std::string Format(const char* format, const char* value) {
  int length = std::snprintf(nullptr, 0, format, value);
  std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  std::snprintf(&text[0], text.size(), format, value);
  text.resize(text.size() - 1);
  return text;
}

// The shell's allocator, released when done.
class ShellAllocator {
 public:
  ShellAllocator() {
    if (FAILED(SHGetMalloc(&malloc_))) malloc_ = nullptr;
  }
  ~ShellAllocator() {
    if (malloc_ != nullptr) malloc_->Release();
  }
  ShellAllocator(const ShellAllocator&) = delete;
  ShellAllocator& operator=(const ShellAllocator&) = delete;
  IMalloc* get() const { return malloc_; }

 private:
  IMalloc* malloc_ = nullptr;
};

// An item list the folder browser returned, freed with the shell's allocator.
class ItemList {
 public:
  ItemList(LPITEMIDLIST list, const ShellAllocator& allocator)
      : list_(list), allocator_(allocator) {}
  ~ItemList() {
    if (list_ == nullptr) return;
    // The shell's allocator is the task allocator; without it the list is still freed.
    if (allocator_.get() != nullptr) {
      allocator_.get()->Free(list_);
    } else {
      CoTaskMemFree(list_);
    }
  }
  ItemList(const ItemList&) = delete;
  ItemList& operator=(const ItemList&) = delete;
  LPITEMIDLIST get() const { return list_; }

 private:
  LPITEMIDLIST list_;
  const ShellAllocator& allocator_;
};

}  // namespace

InstallSettingsPage::InstallSettingsPage(HINSTANCE instance)
    : InstallSettingsPage(instance, CommonControlsVersion()) {}

InstallSettingsPage::InstallSettingsPage(HINSTANCE instance, int controlsVersion)
    : WizardPage(instance, IDD_SETTINGS_PAGE), controlsVersion_(controlsVersion) {}

HWND InstallSettingsPage::TypeList() const { return Item(IDC_TYPE_LIST); }

BOOL InstallSettingsPage::OnInitDialog() {
  nextButton_ = FrameButton(IDC_NEXT);

  HWND list = TypeList();
  RECT client = {};
  GetClientRect(list, &client);
  LVCOLUMNA column = {};
  column.mask = LVCF_WIDTH | LVCF_TEXT;
  column.cx = client.right - client.left;
  column.pszText = const_cast<char*>("");
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  ownTicks_ = controlsVersion_ < kControls470;
  if (ownTicks_) {
    // No check-box style: the same boxes as state images, ticked by the page itself. The
    // list destroys its image lists with itself once it has taken them.
    ImageList images = CreateTickImages();
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(images.get()));
    if (SendMessageA(list, LVM_GETIMAGELIST, LVSIL_STATE, 0) ==
        reinterpret_cast<LRESULT>(images.get())) {
      images.Release();
    }
  } else {
    DWORD styles = kListStyles;
    if (controlsVersion_ >= kControls471) styles |= LVS_EX_INFOTIP;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles);
  }

  SetDlgItemTextA(window(), IDC_TYPE_EXPLANATION, " ");
  SetDlgItemTextA(window(), IDC_FREE_SPACE, "---");
  SetDlgItemTextA(window(), IDC_NEEDED_SPACE, "---");

  tickFlags_.clear();
  spaceQuery_ = std::make_unique<DriveSpaceQuery>();
  ready_ = false;
  return TRUE;
}

bool InstallSettingsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                    INT_PTR& result) {
  if (message == WM_SHOWWINDOW) {
    if (wParam != 0) {
      // The work starts a moment later, so that the page is painted before it blocks.
      ready_ = false;
      timerId_ = StartTimer(50);
    }
    return false;  // default processing as well
  }
  if (message == WM_NOTIFY) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr || header->idFrom != IDC_TYPE_LIST) return false;
    switch (header->code) {
      case LVN_ITEMCHANGED:
        OnTypeListChanged();
        break;
      case NM_CLICK: {
        UINT flags = 0;
        int row = RowAtClick(&flags);
        if (row < 0) break;
        if (ownTicks_ && (flags & LVHT_ONITEMSTATEICON) != 0) ToggleRowTick(row);
        ShowExplanation(RowType(row));
        break;
      }
      case NM_DBLCLK: {
        UINT flags = 0;
        int row = RowAtClick(&flags);
        if (row >= 0) SelectTypeRow(row);
        break;
      }
      case LVN_KEYDOWN: {
        // With the check-box style the list ticks the focused row itself.
        const NMLVKEYDOWN* key = reinterpret_cast<const NMLVKEYDOWN*>(lParam);
        if (!ownTicks_ || key->wVKey != VK_SPACE) return false;
        int row = static_cast<int>(
            SendMessageA(TypeList(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        if (row >= 0) ToggleRowTick(row);
        break;
      }
      default:
        return false;
    }
    result = 0;
    return true;
  }
  return false;
}

bool InstallSettingsPage::OnTimer(UINT_PTR id) {
  if (timerId_ != 0 && id == timerId_) {
    KillTimer(window(), timerId_);  // one-shot
    timerId_ = 0;
    StartWork();
  }
  return false;  // default processing in every case
}

bool InstallSettingsPage::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDOK) {
    // Enter acts as Next, but not while install.ini is still being looked for.
    if (ready_) SendMessageA(context()->frameWindow, WM_COMMAND, IDC_NEXT, 0);
    return true;
  }
  if (id == IDC_BROWSE && code == BN_CLICKED) {
    Browse();
    return true;
  }
  return WizardPage::OnCommand(id, code, control);
}

void InstallSettingsPage::StartWork() {
  EnableWindow(nextButton_, FALSE);
  if (!LocateInstallIni()) {
    EnterFailedState(kCancelledMessage);
  } else if (context()->overlargePart[0] != '\0') {
    // Windows 9x read the file cut short: whatever else it says is unsure.
    EnterFailedState(Format(kOverlargeIniMessage, context()->overlargePart).c_str());
  } else if (context()->overlongValue[0] != '\0') {
    // A value cut to its field would name another file or folder: refuse the file.
    EnterFailedState(Format(kOverlongValueMessage, context()->overlongValue).c_str());
  } else if (context()->uncontainedValue[0] != '\0') {
    EnterFailedState(Format(kUncontainedValueMessage, context()->uncontainedValue).c_str());
  } else if (const char* key = StartupGroupOf(*context())) {
    EnterFailedState(Format(kStartupGroupMessage, key).c_str());
  } else {
    EnableWindow(nextButton_, TRUE);
    EnableWindow(Item(IDC_BROWSE), TRUE);
    FillSettingsPage();
  }
  ready_ = true;
}

void InstallSettingsPage::EnterFailedState(const char* message) {
  ShowMessage(window(), message, kInstallerCaption, MB_OK | MB_ICONERROR);
  context()->closeWithoutAsking = 1;
  SetWindowTextA(FrameButton(IDCANCEL), kExitText);
  EnableWindow(Item(IDC_BROWSE), FALSE);
  EnableWindow(nextButton_, FALSE);
}

bool InstallSettingsPage::LocateInstallIni() {
  InstallContext& context = *this->context();
  std::string path = std::string(context.cdFolder) + kInstallIniName;
  // A path that does not fit cannot be opened as it is: ask for the file instead.
  const bool fits = path.size() < kPathSize;
  if (!fits || !FileExists(path.c_str())) {
    ShowMessage(window(), Format(kMissingIniMessage, path.c_str()).c_str(), kInstallerCaption,
                MB_OK | MB_ICONEXCLAMATION);

    // Room for whatever the dialog returns, so that an over-long choice is seen and refused
    // rather than failing inside the dialog.
    char chosen[1024] = {};
    if (fits) std::strcpy(chosen, path.c_str());
    OPENFILENAMEA request = {};
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // also understood by 9x and NT 4
    request.hwndOwner = context.frameWindow;
    request.lpstrFilter = kIniFilter;
    request.lpstrFile = chosen;
    request.nMaxFile = sizeof chosen;
    request.lpstrDefExt = ".ini";
    // The dialog would leave the current folder on the disc it browsed, which then could
    // not be taken out while another disc is asked for.
    request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
    if (!ShowOpenFile(&request)) return false;
    chosen[sizeof chosen - 1] = '\0';
    if (std::strlen(chosen) >= kPathSize) {
      ShowMessage(window(), kChosenPathTooLongMessage, kInstallerCaption,
                  MB_OK | MB_ICONERROR);
      return false;
    }
    path = chosen;
    char folder[kPathSize];
    if (!FolderOfChosenFile(chosen, folder, sizeof folder)) return false;
    std::strcpy(context.cdFolder, folder);
  }
  InstallIniLoader(path.c_str(), context);
  return true;
}

bool InstallSettingsPage::IsValidType(int type) const {
  const InstallContext& context = *this->context();
  return context.installTypes != nullptr && type >= 0 && type < context.typeCount;
}

int InstallSettingsPage::RowCount() const {
  return static_cast<int>(SendMessageA(TypeList(), LVM_GETITEMCOUNT, 0, 0));
}

int InstallSettingsPage::RowType(int row) const {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = 0;
  if (!SendMessageA(TypeList(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
  return static_cast<int>(item.lParam);
}

int InstallSettingsPage::RowAtClick(UINT* flags) const {
  HWND list = TypeList();
  DWORD position = GetMessagePos();
  POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ScreenToClient(list, &point);
  LVHITTESTINFO hit = {};
  hit.pt = point;
  int row = static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row >= 0 && (hit.flags & LVHT_ONITEM) != 0) {
    *flags = hit.flags;
    return row;
  }
  // Right of a row's text: a list without full-row selection (4.00) finds no row there.
  for (row = 0; row < RowCount(); ++row) {
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    if (SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&bounds)) &&
        point.x >= bounds.left && point.x < bounds.right && point.y >= bounds.top &&
        point.y < bounds.bottom) {
      *flags = LVHT_ONITEMLABEL;
      return row;
    }
  }
  return -1;
}

void InstallSettingsPage::ToggleRowTick(int row) {
  UINT state = static_cast<UINT>(SendMessageA(TypeList(), LVM_GETITEMSTATE,
                                              static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
  // The change notification then keeps exactly one row ticked.
  SetRowTick(row, (state >> 12) != kCheckedImage);
}

void InstallSettingsPage::SetRowTick(int row, bool ticked) {
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(ticked ? kCheckedImage : kUncheckedImage);
  SendMessageA(TypeList(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
}

void InstallSettingsPage::FillSettingsPage() {
  InstallContext& context = *this->context();
  BuildDefaultFolder();
  UpdateFreeSpace();

  HWND list = TypeList();
  tickFlags_.clear();  // notifications of the rows being inserted are not ticks
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  for (int type = 0; context.installTypes != nullptr && type < context.typeCount; ++type) {
    if (context.installTypes[type].groupCount == 0) continue;  // nothing to install
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    item.iItem = RowCount();
    item.iSubItem = 0;
    item.pszText = context.installTypes[type].name;
    item.lParam = type;
    // An empty box from the start; the check-box style gives one anyway.
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(kUncheckedImage);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  tickFlags_.assign(static_cast<size_t>(context.typeCount > 0 ? context.typeCount : 1), 0);
  tickFlags_[0] = 1;
  SelectTypeRow(0);
}

void InstallSettingsPage::OnTypeListChanged() {
  if (tickFlags_.empty()) return;
  HWND list = TypeList();
  int count = RowCount();
  if (count > static_cast<int>(tickFlags_.size())) count = static_cast<int>(tickFlags_.size());
  if (count <= 0) return;

  std::unique_ptr<bool[]> ticked(new bool[count]);
  for (int row = 0; row < count; ++row) {
    UINT state = static_cast<UINT>(
        SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    ticked[row] = (state >> 12) == kCheckedImage;
  }
  int movedTo = SettleTicks(ticked.get(), tickFlags_.data(), count);

  // Setting the ticks re-enters here; by then exactly one row is ticked and nothing moves.
  for (int row = 0; row < count; ++row) SetRowTick(row, tickFlags_[row] == 1);
  for (int row = 0; row < count; ++row) {
    if (tickFlags_[row] != 1) continue;
    context()->selectedType = RowType(row);
    ShowAsHot(row);
  }
  if (movedTo >= 0) {
    // The figures follow the tick, so the size shown is the one the target check uses.
    ShowExplanation(RowType(movedTo));
    ShowRequiredSize(RowType(movedTo));
  }
}

void InstallSettingsPage::ShowAsHot(int row) {
  // 4.00 has no hot item, and draws none: nothing stands in for it there.
  if (controlsVersion_ >= kControls470) {
    SendMessageA(TypeList(), LVM_SETHOTITEM, static_cast<WPARAM>(row), 0);
  }
}

void InstallSettingsPage::SelectTypeRow(int row) {
  int type = RowType(row);
  SetRowTick(row, true);  // the change notification moves the tick here
  ShowAsHot(row);
  ShowExplanation(type);
  ShowRequiredSize(type);
}

void InstallSettingsPage::ShowExplanation(int type) {
  if (!IsValidType(type)) return;
  char text[kNameSize];
  std::memcpy(text, context()->installTypes[type].explanation, sizeof text);
  text[sizeof text - 1] = '\0';
  ExpandEscapes(text, sizeof text);
  SetDlgItemTextA(window(), IDC_TYPE_EXPLANATION, text);
}

void InstallSettingsPage::ShowRequiredSize(int type) {
  if (!IsValidType(type)) return;
  char figure[kNameSize];
  std::snprintf(figure, sizeof figure, "%d", context()->installTypes[type].totalSizeMb);
  SetDlgItemTextA(window(), IDC_NEEDED_SPACE, figure);
}

void InstallSettingsPage::UpdateFreeSpace() {
  char folder[kPathSize] = {};
  GetDlgItemTextA(window(), IDC_INSTALL_FOLDER, folder, sizeof folder);
  if (folder[0] == '\0') {
    SetDlgItemTextA(window(), IDC_FREE_SPACE, "---");
    return;
  }
  DWORD totalKb = 0;
  DWORD freeKb = 0;
  spaceQuery_->Query(folder[0], totalKb, freeKb);
  char figure[kNameSize];
  std::snprintf(figure, sizeof figure, "%lu", static_cast<unsigned long>(freeKb >> 10));
  SetDlgItemTextA(window(), IDC_FREE_SPACE, figure);
  char caption[kNameSize];
  std::snprintf(caption, sizeof caption, kFreeSpaceCaption, folder[0]);
  SetDlgItemTextA(window(), IDC_FREE_CAPTION, caption);
}

void InstallSettingsPage::BuildDefaultFolder() {
  const InstallInfo* info = context()->installInfo.get();
  char windowsFolder[kPathSize] = {};
  GetWindowsFolder(windowsFolder);
  char folder[kPathSize];
  if (info == nullptr ||
      !ComposeDefaultFolder(windowsFolder, info->path, info->path2, folder, sizeof folder)) {
    SetDlgItemTextA(window(), IDC_INSTALL_FOLDER, "");
    if (info != nullptr) {
      ShowMessage(window(), kDefaultFolderTooLongMessage, kInstallerCaption,
                  MB_OK | MB_ICONEXCLAMATION);
    }
    return;
  }
  SetDlgItemTextA(window(), IDC_INSTALL_FOLDER, folder);
}

bool InstallSettingsPage::BrowseForFolder(HWND owner, char* path) {
  path[0] = '\0';
  ShellAllocator allocator;
  BROWSEINFOA request = {};
  request.hwndOwner = owner;
  request.pidlRoot = nullptr;
  // The first shells write the chosen item's name here without asking whether there is room.
  char displayName[MAX_PATH];
  request.pszDisplayName = displayName;
  request.lpszTitle = kBrowseTitle;
  request.ulFlags = BIF_RETURNONLYFSDIRS;
  ItemList chosen(ShowBrowseFolder(&request), allocator);
  if (chosen.get() != nullptr && !SHGetPathFromIDListA(chosen.get(), path)) path[0] = '\0';
  // A 259-byte folder has no room for its backslash; the join below then adds it and
  // refuses the result as too long.
  if (path[0] != '\0') AppendBackslash(path, kPathSize);
  return path[0] != '\0';
}

void InstallSettingsPage::Browse() {
  char chosen[kPathSize];
  if (!BrowseForFolder(window(), chosen)) return;
  const InstallInfo* info = context()->installInfo.get();
  char folder[kPathSize];
  if (!ComposeBrowsedFolder(chosen, info != nullptr ? info->path2 : "", folder, sizeof folder)) {
    ShowMessage(window(), kBrowsedFolderTooLongMessage, kInstallerCaption,
                MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  SetDlgItemTextA(window(), IDC_INSTALL_FOLDER, folder);
  UpdateFreeSpace();
}

}  // namespace kaze
