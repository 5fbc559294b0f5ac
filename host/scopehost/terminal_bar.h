// scopehost's progress bar: the module's progress drawn as a live bar on stderr when stderr is
// a terminal, and its messages printed above the bar.
#pragma once

#include <cstdio>
#include <string_view>

namespace scopehost {

class TerminalBar {
 public:
  explicit TerminalBar(std::FILE* stream = stderr);
  // Ends the bar's line, so what follows starts on a fresh one.
  ~TerminalBar();
  TerminalBar(const TerminalBar&) = delete;
  TerminalBar& operator=(const TerminalBar&) = delete;

  // Where the module's bar now stands, out of range steps.
  void MovedTo(int position, int range);
  // Prints a line of text above the bar, then draws the bar again below it.
  void PrintLine(std::string_view line);

  // The bar on screen now, if any: messages arriving meanwhile go through it.
  static TerminalBar* Active();

 private:
  void Draw();
  void Erase();

  static TerminalBar* activeBar_;
  std::FILE* stream_;
  bool terminal_;
  int range_ = 1;
  int position_ = 0;
  bool drawn_ = false;
};

// One line on stderr, "scopehost: <text>", through the bar when one is on screen.
void PrintMessage(std::string_view text);

}  // namespace scopehost
