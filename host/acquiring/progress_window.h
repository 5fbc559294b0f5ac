// The progress window the host hands to GetData: a progress-bar control whose position is
// handed on to the host's own callback each time the module moves it.
#pragma once

#include <memory>

#include "gpibscope/host.h"

namespace scopehost {

class ProgressWindow {
 public:
  using Moved = void (*)(int position, void* context);

  // range: the PBM_STEPIT messages of a full acquisition; each step advances by one.
  explicit ProgressWindow(int range, Moved moved = nullptr, void* context = nullptr);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  CWnd* window() { return &window_; }
  int position() const { return position_; }

 private:
  // The window's side, one per platform (platform/posix, platform/win32): it reports where
  // the bar now stands.
  class Control;

  void MovedTo(int position);

  CWnd window_{};
  Moved moved_;
  void* context_;
  int position_ = 0;
  std::unique_ptr<Control> control_;
};

}  // namespace scopehost
