#include "driver/progress.h"

#include "driver/module_globals.h"

namespace {

void SendToProgress(UINT message, WPARAM wParam) {
  // The handle is read anew at every send: the host may recreate its control.
  if (CWnd* window = Module().ProgressWindow) SendMessageA(window->m_hWnd, message, wParam, 0);
}

}  // namespace

void StepProgress() {
  SendToProgress(PBM_STEPIT, 0);
}
void ResetProgress() {
  SendToProgress(PBM_SETPOS, 0);
}
