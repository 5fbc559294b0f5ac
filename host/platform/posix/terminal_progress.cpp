// The progress window on POSIX: a window whose procedure follows the progress-bar messages.
#include <unistd.h>

#include <algorithm>

#include "acquiring/terminal_progress.h"

namespace scopehost {

TerminalProgress::TerminalProgress(int range, std::FILE* stream)
    : stream_(stream), terminal_(isatty(fileno(stream)) == 1), range_(std::max(range, 1)) {
  hwnd_.windowProc = &WindowProc;
  hwnd_.userData = this;
  window_.m_hWnd = &hwnd_;
  activeBar_ = this;
  // Drawn from the first message on: the Tektronix chooser, which comes before any step,
  // gets the terminal to itself.
}

TerminalProgress::~TerminalProgress() {
  Finish();
}

LRESULT TerminalProgress::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  auto* self = static_cast<TerminalProgress*>(window->userData);
  if (message == PBM_STEPIT) {
    self->MovedTo(self->position_ + 1);
  } else if (message == PBM_SETPOS) {
    self->MovedTo(static_cast<int>(wParam));
  }
  return 0;
}

}  // namespace scopehost
