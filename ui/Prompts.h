#pragma once
// Every modal prompt of the installer goes through here, so that tests can answer them:
// message boxes, the open-file dialog and the folder browser. The program itself always
// uses the system's own.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

namespace kaze {

using MessageBoxHandler = int (*)(HWND owner, const char* text, const char* caption, UINT style);
using OpenFileHandler = BOOL (*)(OPENFILENAMEA* request);
using BrowseFolderHandler = LPITEMIDLIST (*)(BROWSEINFOA* request);

// MessageBoxA, or the handler a test installed.
int ShowMessage(HWND owner, const char* text, const char* caption, UINT style);
// GetOpenFileNameA, or the handler a test installed.
BOOL ShowOpenFile(OPENFILENAMEA* request);
// SHBrowseForFolderA, or the handler a test installed. The item list it returns is freed
// by the caller with the shell's allocator, as for the system's own.
LPITEMIDLIST ShowBrowseFolder(BROWSEINFOA* request);

// Install a handler (nullptr: the system's own again); each returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
OpenFileHandler SetOpenFileHandler(OpenFileHandler handler);
BrowseFolderHandler SetBrowseFolderHandler(BrowseFolderHandler handler);

// Captions of the installer's messages.
extern const char kInstallerCaption[];  // "簡易インストーラ"

}  // namespace kaze
