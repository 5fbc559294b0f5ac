// Where a modal dialog is drawn and where its keys come from. On POSIX that is the controlling
// terminal; tests put a scripted console in its place through the opener.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class DialogConsole {
 public:
  static constexpr int kNothingFollows = -1;  // no byte came right after the previous one
  static constexpr int kClosed = -2;          // the console is gone: no byte will come

  virtual ~DialogConsole() = default;
  // Replaces what was drawn before with these lines.
  virtual void Draw(const std::vector<std::string>& lines) = 0;
  // The next byte typed. A follow-up read, made while a key sequence may still be arriving,
  // waits only a moment and gives kNothingFollows when nothing came.
  virtual int ReadByte(bool followUp) = 0;
};

// The keys a modal dialog understands.
enum class DialogKey { kUp, kDown, kDigit, kEnter, kEscape, kClosed, kOther };
struct KeyPress {
  DialogKey key = DialogKey::kOther;
  int digit = 0;  // for kDigit
};
// Reads one key: ESC [ A and ESC [ B (or ESC O A/B) move, a digit names a line, Enter (CR or LF)
// confirms, a lone Escape or Ctrl-C cancels.
KeyPress ReadDialogKey(DialogConsole& console);

using DialogConsoleOpener = std::function<std::unique_ptr<DialogConsole>()>;
// The console for the next modal dialog; null when there is none.
std::unique_ptr<DialogConsole> OpenDialogConsole();
// Puts opener in place of the controlling terminal; an empty opener restores the terminal.
void SetDialogConsoleOpener(DialogConsoleOpener opener);

// The controlling terminal (/dev/tty) in raw mode, put back to the mode it had when the
// console is destroyed. Null when the process has no controlling terminal.
std::unique_ptr<DialogConsole> OpenControllingTerminal();
