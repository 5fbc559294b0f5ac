// A host's progress bar and message callback that record what the module sends them, usable
// both beside the module's own code and by a host that loads libgpibscope.so with dlopen. The
// callback is a plain function, as a host's is: it records into the host made last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gpibscope/host.h"
#if defined(GPIBSCOPE_BUILDING_MODULE)
#include "platform/afx.h"  // beside the module's code: its own CWnd and CString
#endif

namespace testing_support {

class RecordingHost {
 public:
  RecordingHost() {
    hwnd_.windowProc = &WindowProc;
    hwnd_.userData = this;
    window_.m_hWnd = &hwnd_;
    Current() = this;
  }
  ~RecordingHost() {
    if (Current() == this) Current() = nullptr;
  }
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;

  std::vector<std::string> messages;
  int steps = 0;                    // PBM_STEPIT received
  std::vector<intptr_t> positions;  // PBM_SETPOS received, with their positions
  int stepsAtFirstSetPos = -1;      // steps counted when the first PBM_SETPOS came

  CWnd* Window() { return &window_; }

  // The text is read as a host reads it: through the one pointer the object holds.
  static int Callback(void* /*reserved*/, const CString* message) {
    if (Current() != nullptr)
      Current()->messages.emplace_back(*reinterpret_cast<const char* const*>(message));
    return 0;
  }

 private:
  static RecordingHost*& Current() {
    static RecordingHost* current = nullptr;
    return current;
  }
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    auto* host = static_cast<RecordingHost*>(window->userData);
    if (message == PBM_STEPIT) ++host->steps;
    if (message == PBM_SETPOS) {
      if (host->positions.empty()) host->stepsAtFirstSetPos = host->steps;
      host->positions.push_back(static_cast<intptr_t>(wParam));
    }
    return 0;
  }

  HWND__ hwnd_{};
  CWnd window_{};
};

}  // namespace testing_support
