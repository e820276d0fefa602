#pragma once
// The window layer: one base class for the installer's dialogs. A dialog is built from a
// template of the program's resources; the object is found again from the window, and
// messages go to small virtual handlers.
#include <windows.h>

namespace kaze {

class Dialog {
 public:
  Dialog(HINSTANCE instance, int templateId) : instance_(instance), templateId_(templateId) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally (its own message loop); the result of EndDialog.
  INT_PTR RunModal(HWND owner);
  // Creates the dialog as a modeless child or pop-up; the window or nullptr.
  HWND Create(HWND parent);

  HWND window() const { return window_; }
  HWND Item(int id) const { return GetDlgItem(window_, id); }
  HINSTANCE instance() const { return instance_; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // Returns true when the command was handled.
  virtual bool OnCommand(WORD id, WORD code, HWND control);
  virtual bool OnTimer(UINT_PTR) { return false; }
  // Any other message; set `result` and return true to handle it.
  virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }
  // The window is going away: the last moment its controls exist.
  virtual void OnDestroy() {}

  // Ends the dialog: a modal one leaves its loop with `result`; a modeless one is
  // destroyed once the handler that ends it has returned.
  void End(INT_PTR result);
  bool modal() const { return modal_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  int templateId_;
  HWND window_ = nullptr;
  bool modal_ = false;
};

}  // namespace kaze
