#include "scopehost/terminal_bar.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace scopehost {

TerminalBar* TerminalBar::activeBar_ = nullptr;

namespace {

constexpr int kBarWidth = 30;

}  // namespace

TerminalBar::TerminalBar(std::FILE* stream)
    : stream_(stream), terminal_(isatty(fileno(stream)) == 1) {
  activeBar_ = this;
  // Drawn from the first move on: the Tektronix chooser, which comes before any step, gets the
  // terminal to itself.
}

TerminalBar::~TerminalBar() {
  if (drawn_) std::fputc('\n', stream_);
  if (activeBar_ == this) activeBar_ = nullptr;
}

TerminalBar* TerminalBar::Active() {
  return activeBar_;
}

void TerminalBar::MovedTo(int position, int range) {
  position_ = position;
  range_ = std::max(range, 1);
  Draw();
}

void TerminalBar::Draw() {
  if (!terminal_) return;
  // A module that steps more often than the range says fills the bar and no further.
  const int filled = std::clamp(position_, 0, range_) * kBarWidth / range_;
  const std::string bar = std::string(static_cast<size_t>(filled), '#') +
                          std::string(static_cast<size_t>(kBarWidth - filled), '.');
  std::fprintf(stream_, "\r[%s] %d/%d", bar.c_str(), position_, range_);
  std::fflush(stream_);
  drawn_ = true;
}

void TerminalBar::Erase() {
  if (drawn_) std::fputs("\r\033[K", stream_);
}

void TerminalBar::PrintLine(std::string_view line) {
  const bool drawn = drawn_;
  Erase();
  std::fprintf(stream_, "%.*s\n", static_cast<int>(line.size()), line.data());
  if (drawn) Draw();
}

void PrintMessage(std::string_view text) {
  const std::string line = "scopehost: " + std::string(text);
  std::fflush(stdout);  // what was reported so far comes first, also in a log
  if (TerminalBar* bar = TerminalBar::Active()) {
    bar->PrintLine(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

}  // namespace scopehost
