// The progress window on POSIX: a window whose procedure follows the progress-bar messages.
#include <unistd.h>

#include <algorithm>

#include "acquiring/terminal_progress.h"

namespace scopehost {

class TerminalProgress::Control {
 public:
  explicit Control(TerminalProgress& bar) {
    hwnd_.windowProc = &WindowProc;
    hwnd_.userData = &bar;
  }
  HWND handle() { return &hwnd_; }

 private:
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND__ hwnd_{};
};

TerminalProgress::TerminalProgress(int range, std::FILE* stream)
    : stream_(stream),
      terminal_(isatty(fileno(stream)) == 1),
      range_(std::max(range, 1)),
      control_(std::make_unique<Control>(*this)) {
  window_.m_hWnd = control_->handle();
  activeBar_ = this;
  // Drawn from the first message on: the Tektronix chooser, which comes before any step,
  // gets the terminal to itself.
}

TerminalProgress::~TerminalProgress() {
  Finish();
}

LRESULT TerminalProgress::Control::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  auto* bar = static_cast<TerminalProgress*>(window->userData);
  if (message == PBM_STEPIT) {
    bar->MovedTo(bar->position_ + 1);
  } else if (message == PBM_SETPOS) {
    bar->MovedTo(static_cast<int>(wParam));
  }
  return 0;
}

}  // namespace scopehost
