#include "acquiring/terminal_progress.h"

#include <algorithm>
#include <string>

namespace scopehost {

TerminalProgress* TerminalProgress::activeBar_ = nullptr;

namespace {

constexpr int kBarWidth = 30;

}  // namespace

void TerminalProgress::Finish() {
  if (drawn_) std::fputc('\n', stream_);
  if (activeBar_ == this) activeBar_ = nullptr;
}

TerminalProgress* TerminalProgress::Active() {
  return activeBar_;
}

void TerminalProgress::MovedTo(int position) {
  position_ = position;
  Draw();
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
