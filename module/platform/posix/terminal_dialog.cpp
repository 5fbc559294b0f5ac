#include "platform/posix/terminal_dialog.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string_view>
#include <utility>

namespace {

constexpr int kEscape = 0x1b;
constexpr int kInterrupt = 0x03;  // Ctrl-C arrives as a byte: signals are off while the dialog runs
// An arrow key's bytes come together; an Escape with nothing after it for this long is a key.
constexpr int kFollowUpMilliseconds = 50;

// Where the next dialog is shown: the platform's own state, like the framework's module state,
// not the module's (driver/module_globals.h).
DialogConsoleOpener consoleOpener;

// Skips the rest of a control sequence (parameters, then one final byte) and names the key.
KeyPress ReadSequence(DialogConsole& console) {
  for (;;) {
    const int byte = console.ReadByte(true);
    if (byte == DialogConsole::kClosed) return {DialogKey::kClosed};
    if (byte == DialogConsole::kNothingFollows) return {DialogKey::kOther};
    if (byte == 'A') return {DialogKey::kUp};
    if (byte == 'B') return {DialogKey::kDown};
    if (byte >= 0x40 && byte <= 0x7e) return {DialogKey::kOther};
  }
}

KeyPress ReadEscape(DialogConsole& console) {
  const int next = console.ReadByte(true);
  if (next == DialogConsole::kNothingFollows) return {DialogKey::kEscape};
  if (next == DialogConsole::kClosed) return {DialogKey::kClosed};
  if (next == '[' || next == 'O') return ReadSequence(console);
  return {DialogKey::kOther};
}

class ControllingTerminal final : public DialogConsole {
 public:
  ControllingTerminal(int fd, const termios& saved) : fd_(fd), saved_(saved) {}
  ControllingTerminal(const ControllingTerminal&) = delete;
  ControllingTerminal& operator=(const ControllingTerminal&) = delete;
  ~ControllingTerminal() override {
    // The dialog disappears and the terminal gets back its mode and cursor.
    std::string restore = EraseDrawn();
    restore += "\x1b[?25h";
    WriteAll(restore);
    tcsetattr(fd_, TCSAFLUSH, &saved_);
    close(fd_);
  }

  bool EnterRawMode() {
    termios raw = saved_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXON);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    return tcsetattr(fd_, TCSAFLUSH, &raw) == 0;
  }

  void Draw(const std::vector<std::string>& lines) override {
    std::string screen = EraseDrawn();
    screen += "\x1b[?25l";
    for (const std::string& line : lines) screen += line + "\r\n";
    WriteAll(screen);
    drawnLines_ = lines.size();
  }

  int ReadByte(bool followUp) override {
    if (followUp && !ByteWaiting()) return kNothingFollows;
    for (;;) {
      unsigned char byte = 0;
      const ssize_t got = read(fd_, &byte, 1);
      if (got == 1) return byte;
      if (got < 0 && errno == EINTR) continue;
      return kClosed;
    }
  }

 private:
  // Moves back to the first line drawn and clears from there down.
  std::string EraseDrawn() const {
    std::string erase;
    if (drawnLines_ > 0) erase = "\x1b[" + std::to_string(drawnLines_) + "A";
    return erase + "\r\x1b[J";
  }

  bool ByteWaiting() const {
    pollfd request{fd_, POLLIN, 0};
    for (;;) {
      const int ready = poll(&request, 1, kFollowUpMilliseconds);
      if (ready >= 0) return ready > 0;
      if (errno != EINTR) return false;
    }
  }

  void WriteAll(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t written = write(fd_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return;
      bytes.remove_prefix(static_cast<size_t>(written));
    }
  }

  int fd_;
  termios saved_;
  size_t drawnLines_ = 0;
};

}  // namespace

KeyPress ReadDialogKey(DialogConsole& console) {
  const int byte = console.ReadByte(false);
  if (byte == DialogConsole::kClosed) return {DialogKey::kClosed};
  if (byte == '\r' || byte == '\n') return {DialogKey::kEnter};
  if (byte == kInterrupt) return {DialogKey::kEscape};
  if (byte >= '0' && byte <= '9') return {DialogKey::kDigit, byte - '0'};
  if (byte == kEscape) return ReadEscape(console);
  return {DialogKey::kOther};
}

std::unique_ptr<DialogConsole> OpenDialogConsole() {
  return consoleOpener ? consoleOpener() : OpenControllingTerminal();
}

void SetDialogConsoleOpener(DialogConsoleOpener opener) {
  consoleOpener = std::move(opener);
}

std::unique_ptr<DialogConsole> OpenControllingTerminal() {
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  termios saved{};
  if (tcgetattr(fd, &saved) != 0) {
    close(fd);
    return nullptr;
  }
  // From here the console's destructor puts the saved mode back, whatever happens.
  std::unique_ptr<ControllingTerminal> terminal(new (std::nothrow) ControllingTerminal(fd, saved));
  if (terminal == nullptr) {
    close(fd);
    return nullptr;
  }
  if (!terminal->EnterRawMode()) return nullptr;
  return terminal;
}
