#include "ui/Prompts.h"

namespace kaze {

const char kInstallerCaption[] = "簡易インストーラ";

namespace {
MessageBoxHandler g_messageBox = nullptr;
}

int ShowMessage(HWND owner, const char* text, const char* caption, UINT style) {
  if (g_messageBox != nullptr) return g_messageBox(owner, text, caption, style);
  return MessageBoxA(owner, text, caption, style);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  MessageBoxHandler previous = g_messageBox;
  g_messageBox = handler;
  return previous;
}

}  // namespace kaze
