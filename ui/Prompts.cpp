#include "ui/Prompts.h"

namespace kaze {

const char kInstallerCaption[] = "簡易インストーラ";

namespace {
MessageBoxHandler g_messageBox = nullptr;
OpenFileHandler g_openFile = nullptr;
BrowseFolderHandler g_browseFolder = nullptr;

template <typename T>
T Replace(T& slot, T handler) {
  T previous = slot;
  slot = handler;
  return previous;
}
}  // namespace

int ShowMessage(HWND owner, const char* text, const char* caption, UINT style) {
  if (g_messageBox != nullptr) return g_messageBox(owner, text, caption, style);
  return MessageBoxA(owner, text, caption, style);
}

BOOL ShowOpenFile(OPENFILENAMEA* request) {
  if (g_openFile != nullptr) return g_openFile(request);
  return GetOpenFileNameA(request);
}

LPITEMIDLIST ShowBrowseFolder(BROWSEINFOA* request) {
  if (g_browseFolder != nullptr) return g_browseFolder(request);
  return SHBrowseForFolderA(request);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  return Replace(g_messageBox, handler);
}
OpenFileHandler SetOpenFileHandler(OpenFileHandler handler) {
  return Replace(g_openFile, handler);
}
BrowseFolderHandler SetBrowseFolderHandler(BrowseFolderHandler handler) {
  return Replace(g_browseFolder, handler);
}

}  // namespace kaze
