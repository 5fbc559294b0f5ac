// The progress window on Windows: a real progress-bar control (msctls_progress32) under a
// message-only parent, so it needs no desktop. It receives the module's PBM_STEPIT and
// PBM_SETPOS itself; the console bar is drawn from the position the control then holds.
#include <io.h>

#include <algorithm>

#include "acquiring/terminal_progress.h"

namespace scopehost {

namespace {

HWND CreateProgressControl(int range) {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  const HWND control = CreateWindowExA(0, PROGRESS_CLASSA, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
  if (control != nullptr) {
    SendMessageA(control, PBM_SETRANGE32, 0, range);
    SendMessageA(control, PBM_SETSTEP, 1, 0);
  }
  return control;
}

}  // namespace

TerminalProgress::TerminalProgress(int range, std::FILE* stream)
    : stream_(stream), terminal_(_isatty(_fileno(stream)) != 0), range_(std::max(range, 1)) {
  const HWND control = CreateProgressControl(range_);
  if (control != nullptr) {
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    controlProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TerminalProgress::ControlProc)));
  }
  window_.m_hWnd = control;
  activeBar_ = this;
}

TerminalProgress::~TerminalProgress() {
  if (window_.m_hWnd != nullptr) DestroyWindow(window_.m_hWnd);
  Finish();
}

LRESULT CALLBACK TerminalProgress::ControlProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* self = reinterpret_cast<TerminalProgress*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  const LRESULT result = CallWindowProcA(self->controlProc_, window, message, wParam, lParam);
  if (message == PBM_STEPIT || message == PBM_SETPOS) {
    self->MovedTo(static_cast<int>(CallWindowProcA(self->controlProc_, window, PBM_GETPOS, 0, 0)));
  }
  return result;
}

}  // namespace scopehost
