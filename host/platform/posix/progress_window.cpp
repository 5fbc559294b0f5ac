// The progress window on POSIX: a window whose procedure follows the progress-bar messages.
#include "acquiring/progress_window.h"

namespace scopehost {

class ProgressWindow::Control {
 public:
  explicit Control(ProgressWindow& bar) {
    hwnd_.windowProc = &WindowProc;
    hwnd_.userData = &bar;
  }
  HWND handle() { return &hwnd_; }

 private:
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND__ hwnd_{};
};

ProgressWindow::ProgressWindow(int /*range*/, Moved moved, void* context)
    : moved_(moved), context_(context), control_(std::make_unique<Control>(*this)) {
  window_.m_hWnd = control_->handle();
}

ProgressWindow::~ProgressWindow() = default;

LRESULT ProgressWindow::Control::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  auto* bar = static_cast<ProgressWindow*>(window->userData);
  if (message == PBM_STEPIT) {
    bar->MovedTo(bar->position_ + 1);
  } else if (message == PBM_SETPOS) {
    bar->MovedTo(static_cast<int>(wParam));
  }
  return 0;
}

}  // namespace scopehost
