// The benchmark's hands and stopwatch under Wine (scripts/bench.sh):
//   bench_driver install            step 4 of a whole installation from Q:, in ms
//   bench_driver cancel NAME FINAL  a Cancel click during the file NAME (answered No: how
//                                   long the question takes to come), then one during FINAL
//                                   (answered Yes: how long the rollback takes)
//   bench_driver floor PLAIN CAB    xcopy of the folder PLAIN and cab32.dll (beside this
//                                   program) unpacking CAB, each in ms
//   bench_driver erase TREE         copies TREE (a folder of files) into the prefix, then times
//                                   a bare DeleteFileA loop deleting it
//   bench_driver window SECONDS [system]
//                                   a minimal window program, for the memory baseline; with
//                                   "system", one that also uses the system libraries and
//                                   the dialog font the installer needs
// Results go to standard output as name=value lines.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ProcessDriver.h"

namespace {

using kaze::test::ChildProcess;
using kaze::test::WindowText;

const char kStep3[] = "「月見日和」インストールプログラム -  3 / 5 「インストール設定」";
const char kDone[] = "※　インストールが完了しました　※";
const char kCancelled[] = "※　インストールがキャンセルされました　※";
const char kQuestionCaption[] = "簡易インストーラ";
const int kNext = 1008;
const int kStatus = 1032;
const int kItem = 1030;
const int kPageCancel = 1001;
const int kBar = 1019;

bool IsWizardFrame(HWND window) {
  return kaze::test::ClassName(window) == "#32770" && GetDlgItem(window, kNext) != nullptr;
}

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<Search*>(data);
  if (GetDlgCtrlID(window) != s->id || !IsWindowVisible(window)) return TRUE;
  s->found = window;
  return FALSE;
}

HWND Descendant(HWND root, int id) {
  Search search = {id, nullptr};
  EnumChildWindows(root, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Polls until done, every millisecond or so; false on timeout or when the program ended.
bool Until(const ChildProcess& process, const std::function<bool()>& done, DWORD limit) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > limit || process.WaitForExit(1)) return false;
  }
  return true;
}

std::string Text(HWND frame, int id) {
  HWND window = Descendant(frame, id);
  return window != nullptr ? WindowText(window) : std::string();
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// From the start to step 3, as a user would; the frame, or nullptr.
HWND WalkToSettings(const ChildProcess& setup) {
  HWND frame = setup.WaitForWindow(IsWizardFrame, 60000);
  if (frame == nullptr) return nullptr;
  HWND next = GetDlgItem(frame, kNext);
  for (int step = 0; step < 2; ++step) {
    if (!Until(setup, [&] { return IsWindowEnabled(next) != FALSE; }, 60000)) return nullptr;
    Sleep(300);
    Click(next);
    Sleep(300);
  }
  if (!Until(setup, [&] { return WindowText(frame) == kStep3 && IsWindowEnabled(next); }, 60000)) {
    return nullptr;
  }
  Sleep(500);
  return frame;
}

HWND QuestionOf(const ChildProcess& setup) {
  for (HWND window : setup.Windows()) {
    if (kaze::test::ClassName(window) == "#32770" && WindowText(window) == kQuestionCaption &&
        GetDlgItem(window, IDYES) != nullptr) {
      return window;
    }
  }
  return nullptr;
}

int Install() {
  ChildProcess setup("Q:\\setup.exe", true);
  HWND frame = WalkToSettings(setup);
  if (frame == nullptr) return 2;
  DWORD start = GetTickCount();
  Click(GetDlgItem(frame, kNext));
  // Where the time goes: each line the page shows, with the time it first appeared.
  std::string shown;
  std::vector<std::pair<DWORD, std::string>> profile;
  if (!Until(setup, [&] {
        std::string item = Text(frame, kItem);
        // Unpack lines differ only by their percentage: one phase per file.
        std::string phase = item.substr(0, item.find(" ( "));
        if (phase != shown) {
          shown = phase;
          profile.push_back({GetTickCount() - start, phase});
        }
        return Text(frame, kStatus) == kDone;
      }, 3600000)) {
    return 3;
  }
  std::printf("step4_ms=%lu\n", GetTickCount() - start);
  // The bar answers a registered message with how often it was drawn.
  DWORD_PTR paints = 0;
  UINT count = RegisterWindowMessageA("KazeTextProgressBarPaints");
  HWND bar = Descendant(frame, kBar);
  if (bar != nullptr &&
      SendMessageTimeoutA(bar, count, 0, 0, SMTO_BLOCK, 10000, &paints) != 0) {
    std::printf("repaints=%lu\n", static_cast<unsigned long>(paints));
  }
  for (const auto& [at, line] : profile) std::printf("profile %lu %s\n", at, line.c_str());
  std::fflush(stdout);
  Sleep(1500);  // the memory watcher reads its last figure
  Click(GetDlgItem(frame, kNext));
  Sleep(500);
  Click(GetDlgItem(frame, kNext));
  setup.WaitForExit(20000);
  return 0;
}

int Cancel(const char* during, const char* final) {
  ChildProcess setup("Q:\\setup.exe", true);
  HWND frame = WalkToSettings(setup);
  if (frame == nullptr) return 2;
  Click(GetDlgItem(frame, kNext));
  auto cancelDuring = [&](const char* name, int answer, const char* label) {
    // A name passed unseen (or a run that ended first) is a failed measurement, not a wait.
    if (!Until(setup, [&] {
          return Text(frame, kItem).find(name) != std::string::npos || Text(frame, kStatus) == kDone;
        }, 3600000) || Text(frame, kStatus) == kDone) {
      std::fprintf(stderr, "bench_driver: %s was not seen during the run\n", name);
      return false;
    }
    HWND cancel = Descendant(frame, kPageCancel);
    DWORD start = GetTickCount();
    Click(cancel);
    HWND question = nullptr;
    if (!Until(setup, [&] { return (question = QuestionOf(setup)) != nullptr; }, 60000)) return false;
    std::printf("%s_question_ms=%lu\n", label, GetTickCount() - start);
    start = GetTickCount();
    kaze::test::PressButton(question, answer);
    if (answer == IDYES) {
      // The page shows the cancelled texts before it takes the files away, and answers
      // messages again only once it is done.
      if (!Until(setup, [&] { return Text(frame, kStatus) == kCancelled; }, 3600000)) return false;
      DWORD_PTR result = 0;
      SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_BLOCK, 3600000, &result);
      std::printf("rollback_ms=%lu\n", GetTickCount() - start);
    }
    std::fflush(stdout);
    return true;
  };
  if (std::strcmp(during, "-") != 0 && !cancelDuring(during, IDNO, "largest_file")) return 3;
  if (!cancelDuring(final, IDYES, "final_file")) return 4;
  Sleep(500);
  Click(GetDlgItem(frame, IDCANCEL));
  setup.WaitForExit(20000);
  return 0;
}

using CabFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);

int Floor(const char* plain, const char* cab) {
  CreateDirectoryA("C:\\floor\\", nullptr);
  DWORD start = GetTickCount();
  std::string copyCommand = std::string("xcopy /E /I /Q /Y \"") + plain + "\" C:\\floor\\plain\\";
  ChildProcess copy(copyCommand);
  if (!copy.started() || !copy.WaitForExit(3600000)) return 2;
  DWORD xcopy = GetTickCount() - start;
  std::printf("xcopy_ms=%lu\n", xcopy);

  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string library = std::string(self, std::strrchr(self, '\\') + 1) + "cab32.dll";
  HMODULE module = LoadLibraryA(library.c_str());
  auto unpack = module ? reinterpret_cast<CabFn>(reinterpret_cast<void*>(GetProcAddress(module, "Cab")))
                       : nullptr;
  if (unpack == nullptr) return 3;
  std::string command = std::string("-x -o -i \"") + cab + "\" \"C:\\floor\\text\\\" \"*.*\"";
  char output[1024] = {};
  start = GetTickCount();
  int result = unpack(nullptr, command.c_str(), output, sizeof output);
  DWORD cab32 = GetTickCount() - start;
  std::printf("cab32_ms=%lu\n", cab32);
  std::printf("floor_ms=%lu\n", xcopy + cab32);
  FreeLibrary(module);
  return result == 0 ? 0 : 4;
}

// What Wine itself needs to delete the files of a folder: the names listed, then one
// DeleteFileA each (no checks at all), then the folder.
bool DeleteFlatFolder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  for (const std::string& name : names) DeleteFileA((folder + name).c_str());
  return RemoveDirectoryA(folder.c_str()) != FALSE;
}

// A copy of TREE (a folder of files) made in the prefix, then deleted by the bare loop
// above (erase_ms). (cmd's rd /s /q takes some twenty times longer under Wine.)
int Erase(const char* tree) {
  std::string copy = std::string("xcopy /E /I /Q /Y \"") + tree + "\" C:\\erase\\";
  ChildProcess made(copy);
  if (!made.started() || !made.WaitForExit(3600000)) return 2;
  DWORD start = GetTickCount();
  if (!DeleteFlatFolder("C:\\erase\\")) return 3;
  std::printf("erase_ms=%lu\n", GetTickCount() - start);
  return 0;
}

// What the installer cannot do without: the system libraries it uses (common controls, the
// shell for the Programs folder, COM for shortcuts, the file dialog) and a Japanese text in
// its dialog font. Loaded at run time, so that the plain window program stays minimal.
void UseTheInstallersSystemParts(HWND window) {
  using Fn = void(WINAPI*)();
  using InitFn = HRESULT(WINAPI*)(void*);
  using FolderFn = HRESULT(WINAPI*)(HWND, int, void**);
  using FreeFn = void(WINAPI*)(void*);
  using CreateFn = HRESULT(WINAPI*)(const GUID&, void*, DWORD, const GUID&, void**);
  HMODULE controls = LoadLibraryA("comctl32.dll");
  HMODULE shell = LoadLibraryA("shell32.dll");
  HMODULE com = LoadLibraryA("ole32.dll");
  LoadLibraryA("comdlg32.dll");
  if (auto init = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControls")))) init();
  auto comInit = reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(com, "CoInitialize")));
  auto folder = reinterpret_cast<FolderFn>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetSpecialFolderLocation")));
  auto free = reinterpret_cast<FreeFn>(reinterpret_cast<void*>(GetProcAddress(com, "CoTaskMemFree")));
  auto create = reinterpret_cast<CreateFn>(reinterpret_cast<void*>(GetProcAddress(com, "CoCreateInstance")));
  if (comInit != nullptr) comInit(nullptr);
  void* list = nullptr;
  if (folder != nullptr && free != nullptr && folder(window, 2 /* CSIDL_PROGRAMS */, &list) == S_OK) free(list);
  // CLSID_ShellLink and IID_IShellLinkA
  const GUID link = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  const GUID linkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  IUnknown* object = nullptr;
  if (create != nullptr && create(link, nullptr, CLSCTX_INPROC_SERVER, linkA,
                                  reinterpret_cast<void**>(&object)) == S_OK) {
    object->Release();
  }
  HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
  HWND text = CreateWindowA("STATIC", "インストール先のフォルダを選んでください",
                            WS_CHILD | WS_VISIBLE, 10, 10, 360, 40, window, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

int Window(int seconds, bool systemParts) {
  WNDCLASSA type = {};
  type.lpfnWndProc = DefWindowProcA;
  type.hInstance = GetModuleHandleA(nullptr);
  type.lpszClassName = "BenchMinimal";
  RegisterClassA(&type);
  HWND window = CreateWindowA("BenchMinimal", "minimal", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                              400, 300, nullptr, nullptr, type.hInstance, nullptr);
  if (systemParts) UseTheInstallersSystemParts(window);
  DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < static_cast<DWORD>(seconds) * 1000) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
  DestroyWindow(window);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "install") return Install();
  if (mode == "cancel" && argc > 3) return Cancel(argv[2], argv[3]);
  if (mode == "floor" && argc > 3) return Floor(argv[2], argv[3]);
  if (mode == "erase" && argc > 2) return Erase(argv[2]);
  if (mode == "window" && argc > 2) {
    return Window(std::atoi(argv[2]), argc > 3 && std::string(argv[3]) == "system");
  }
  std::fputs("bench_driver install | cancel NAME FINAL | floor PLAIN CAB | erase TREE | window SECONDS [system]\n",
             stderr);
  return 1;
}
