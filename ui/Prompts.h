#pragma once
// Every modal prompt of the installer goes through here, so that tests can answer them.
// The program itself always uses the system's own.
#include <windows.h>

namespace kaze {

using MessageBoxHandler = int (*)(HWND owner, const char* text, const char* caption, UINT style);

// MessageBoxA, or the handler a test installed.
int ShowMessage(HWND owner, const char* text, const char* caption, UINT style);

// Installs a handler (nullptr: the system's message box again); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Captions of the installer's messages.
extern const char kInstallerCaption[];  // "簡易インストーラ"

}  // namespace kaze
