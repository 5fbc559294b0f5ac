// The progress window on Windows: a real progress-bar control (msctls_progress32) under a
// message-only parent, so it needs no desktop. It receives the module's PBM_STEPIT and
// PBM_SETPOS itself; the position the control then holds is handed on.
#include <algorithm>

#include "acquiring/progress_window.h"

namespace scopehost {

class ProgressWindow::Control {
 public:
  Control(ProgressWindow& bar, int range);
  ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  HWND handle() const { return handle_; }

 private:
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  ProgressWindow& bar_;
  HWND handle_ = nullptr;
  WNDPROC controlProc_ = nullptr;
};

ProgressWindow::Control::Control(ProgressWindow& bar, int range) : bar_(bar) {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  handle_ = CreateWindowExA(0, PROGRESS_CLASSA, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (handle_ == nullptr) return;
  SendMessageA(handle_, PBM_SETRANGE32, 0, range);
  SendMessageA(handle_, PBM_SETSTEP, 1, 0);
  SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  controlProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::ControlProc)));
}

ProgressWindow::Control::~Control() {
  if (handle_ != nullptr) DestroyWindow(handle_);
}

LRESULT CALLBACK ProgressWindow::Control::ControlProc(HWND window, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
  auto* self = reinterpret_cast<Control*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  const LRESULT result = CallWindowProcA(self->controlProc_, window, message, wParam, lParam);
  if (message == PBM_STEPIT || message == PBM_SETPOS) {
    self->bar_.MovedTo(
        static_cast<int>(CallWindowProcA(self->controlProc_, window, PBM_GETPOS, 0, 0)));
  }
  return result;
}

ProgressWindow::ProgressWindow(int range, Moved moved, void* context)
    : moved_(moved),
      context_(context),
      control_(std::make_unique<Control>(*this, std::max(range, 1))) {
  window_.m_hWnd = control_->handle();
}

ProgressWindow::~ProgressWindow() = default;

}  // namespace scopehost
