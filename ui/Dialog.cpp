#include "ui/Dialog.h"

namespace kaze {

Dialog::~Dialog() {
  // A modeless dialog must not outlive its object: its procedure would find a dead one.
  if (window_ != nullptr && IsWindow(window_)) {
    SetWindowLongPtrA(window_, DWLP_USER, 0);
    if (!modal_) DestroyWindow(window_);
  }
}

INT_PTR Dialog::RunModal(HWND owner) {
  modal_ = true;
  return DialogBoxParamA(instance_, MAKEINTRESOURCEA(templateId_), owner, &Dialog::Procedure,
                         reinterpret_cast<LPARAM>(this));
}

HWND Dialog::Create(HWND parent) {
  modal_ = false;
  return CreateDialogParamA(instance_, MAKEINTRESOURCEA(templateId_), parent,
                            &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
}

namespace {
// Posted to a modeless dialog that was ended: it is destroyed from the message loop, never
// from inside the handler (or the long-running work) that ended it.
const UINT kDeferredDestroy = WM_APP + 0x3F0;
}  // namespace

void Dialog::End(INT_PTR result) {
  if (modal_) {
    EndDialog(window_, result);
  } else {
    PostMessageA(window_, kDeferredDestroy, 0, 0);
  }
}

bool Dialog::OnCommand(WORD id, WORD, HWND) {
  // The framework's defaults: OK and Cancel end a modal dialog. Pages are modeless
  // children and have no such default.
  if (modal_ && (id == IDOK || id == IDCANCEL)) {
    End(id);
    return true;
  }
  return false;
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    self->window_ = window;
    return self->OnInitDialog();
  }
  self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (self == nullptr) return FALSE;

  INT_PTR result = 0;
  if (self->OnMessage(message, wParam, lParam, result)) {
    switch (message) {
      // These return their value directly from a dialog procedure.
      case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN: case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR:
      case WM_CTLCOLORSTATIC: case WM_COMPAREITEM: case WM_VKEYTOITEM:
      case WM_CHARTOITEM: case WM_QUERYDRAGICON:
        return result;
    }
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
  switch (message) {
    case WM_COMMAND:
      return self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))
                 ? TRUE : FALSE;
    case WM_TIMER:
      return self->OnTimer(wParam) ? TRUE : FALSE;
    case WM_CLOSE:
      // A close request becomes the Cancel command, as for every dialog.
      SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return TRUE;
    case kDeferredDestroy:
      DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      self->OnDestroy();
      return FALSE;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, DWLP_USER, 0);
      self->window_ = nullptr;
      return FALSE;
  }
  return FALSE;
}

}  // namespace kaze
