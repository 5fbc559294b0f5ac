// The progress window the host hands to GetData: a progress-bar control whose position is
// drawn as a live bar on stderr when stderr is a terminal.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include "gpibscope/host.h"

namespace scopehost {

class TerminalProgress {
 public:
  // range: the PBM_STEPIT messages of a full acquisition; each step advances by one.
  explicit TerminalProgress(int range, std::FILE* stream = stderr);
  // Ends the bar's line, so what follows starts on a fresh one.
  ~TerminalProgress();
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  CWnd* window() { return &window_; }
  int position() const { return position_; }

  // Prints a line of text above the bar, then draws the bar again below it.
  void PrintLine(std::string_view line);

  // The bar on screen now, if any: messages arriving during GetData go through it.
  static TerminalProgress* Active();

 private:
  // The window's side, one per platform (platform/posix, platform/win32): it reports where
  // the bar now stands.
  class Control;

  void MovedTo(int position);
  void Draw();
  void Erase();
  // Ends the bar's line and lets go of being the active bar.
  void Finish();

  static TerminalProgress* activeBar_;
  CWnd window_{};
  std::FILE* stream_;
  bool terminal_;
  int range_;
  int position_ = 0;
  bool drawn_ = false;
  std::unique_ptr<Control> control_;
};

}  // namespace scopehost
