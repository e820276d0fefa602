#include "app/WizardFrame.h"

#include "resources/resource.h"
#include "ui/Prompts.h"

namespace kaze {

WizardFrame::WizardFrame(HINSTANCE instance)
    : Dialog(instance, IDD_WIZARD_FRAME),
      icon_(LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP))) {}

WizardFrame::~WizardFrame() = default;

BOOL WizardFrame::OnInitDialog() {
  SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  context_ = std::make_unique<InstallContext>();
  context_->productIdentity = std::make_unique<ProductIdentity>();
  guard_ = std::make_unique<SystemSession>();
  context_->closeWithoutAsking = 0;
  context_->frameWindow = window();
  context_->instance = instance();

  if (!guard_->AcquireSingleInstance(window(), kStartupMutexName, kFrameMutexName)) {
    PostQuitMessage(0);
  }
  FillProductIdentity(*context_->productIdentity);

  SetPropA(window(), kFrameMutexName, reinterpret_cast<HANDLE>(1));
  return TRUE;
}

bool WizardFrame::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
  switch (message) {
    case WM_PAINT: {
      if (!IsIconic(window())) return false;
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window(), &paint);
      SendMessageA(window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
      RECT client;
      GetClientRect(window(), &client);
      int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
      int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
      DrawIcon(dc, x, y, icon_);
      EndPaint(window(), &paint);
      result = 0;
      return true;
    }
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(icon_);
      return true;
  }
  return false;
}

void WizardFrame::OnDestroy() {
  if (guard_) {
    guard_->ReleaseSingleInstance(window());
  }
  RemovePropA(window(), kFrameMutexName);
  if (context_) context_->Release();
  context_.reset();
  if (guard_) guard_->held = 0;
  guard_.reset();
}

}  // namespace kaze
