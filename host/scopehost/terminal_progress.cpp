#include "terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace scopehost {

namespace {

constexpr int kBarWidth = 30;
TerminalProgress* activeBar = nullptr;

}  // namespace

TerminalProgress::TerminalProgress(int range, std::FILE* stream)
    : stream_(stream), terminal_(isatty(fileno(stream)) == 1), range_(std::max(range, 1)) {
  hwnd_.windowProc = &WindowProc;
  hwnd_.userData = this;
  window_.m_hWnd = &hwnd_;
  activeBar = this;
  // Drawn from the first message on: the Tektronix chooser, which comes before any step,
  // gets the terminal to itself.
}

TerminalProgress::~TerminalProgress() {
  if (drawn_) std::fputc('\n', stream_);
  if (activeBar == this) activeBar = nullptr;
}

TerminalProgress* TerminalProgress::Active() {
  return activeBar;
}

LRESULT TerminalProgress::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  auto* self = static_cast<TerminalProgress*>(window->userData);
  if (message == PBM_STEPIT) {
    ++self->position_;
  } else if (message == PBM_SETPOS) {
    self->position_ = static_cast<int>(wParam);
  } else {
    return 0;
  }
  self->Draw();
  return 0;
}

void TerminalProgress::Draw() {
  if (!terminal_) return;
  // A module that steps more often than the range says fills the bar and no further.
  const int filled = std::clamp(position_, 0, range_) * kBarWidth / range_;
  const std::string bar = std::string(static_cast<size_t>(filled), '#') +
                          std::string(static_cast<size_t>(kBarWidth - filled), '.');
  std::fprintf(stream_, "\r[%s] %d/%d", bar.c_str(), position_, range_);
  std::fflush(stream_);
  drawn_ = true;
}

void TerminalProgress::Erase() {
  if (drawn_) std::fputs("\r\033[K", stream_);
}

void TerminalProgress::PrintLine(std::string_view line) {
  Erase();
  std::fprintf(stream_, "%.*s\n", static_cast<int>(line.size()), line.data());
  Draw();
}

}  // namespace scopehost
