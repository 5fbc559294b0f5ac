#include "link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "file_descriptor.h"

namespace gpibsim::controller {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kPacedPiece = 1024;
constexpr std::chrono::milliseconds kPaceSlack{1};
constexpr int kPollMilliseconds = 50;
constexpr int kWriteWaitMilliseconds = 5000;

// The connection ends: the host went away, a write could not be made, or a fault ended it.
struct ConnectionEnded {};
// The controller falls silent but keeps the connection open.
struct Stalled {};

// Writes the controller's output to one connection: paced, counted, and with the fault of
// the first connection applied at its byte.
class Output {
 public:
  Output(int fd, const LinkOptions& options, Fault fault)
      : fd_(fd), rate_(options.bytesPerSecond), fault_(fault) {}

  void Write(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
      size_t take = std::min(bytes.size(), kPacedPiece);
      if (fault_.kind != Fault::Kind::kNone && written_ < fault_.afterBytes)
        take = std::min(take, fault_.afterBytes - written_);
      if (fault_.kind != Fault::Kind::kNone && written_ >= fault_.afterBytes) ApplyFault();
      std::array<uint8_t, kPacedPiece> piece{};
      std::copy_n(bytes.begin(), take, piece.begin());
      if (garbage_) Scramble(std::span(piece).first(take));
      WritePaced(std::span(piece).first(take));
      bytes = bytes.subspan(take);
    }
  }

 private:
  void ApplyFault() {
    switch (fault_.kind) {
      case Fault::Kind::kDrop:
        throw ConnectionEnded{};
      case Fault::Kind::kStall:
        throw Stalled{};
      case Fault::Kind::kGarbage:
        garbage_ = true;
        break;
      case Fault::Kind::kNone:
        break;
    }
    fault_.kind = Fault::Kind::kNone;
  }

  // Line noise: bytes of a fixed pseudo-random sequence, none of them a line end, so that
  // nothing of the protocol survives.
  void Scramble(std::span<uint8_t> bytes) {
    for (uint8_t& byte : bytes) {
      noise_ ^= noise_ << 13;
      noise_ ^= noise_ >> 17;
      noise_ ^= noise_ << 5;
      byte = static_cast<uint8_t>(0x80 | (noise_ & 0x7F));
    }
  }

  void WritePaced(std::span<const uint8_t> bytes) {
    if (rate_ > 0.0) {
      // A burst keeps its pace even when a sleep overshoots; after a pause it starts afresh
      // (a token bucket of about one piece).
      const auto now = Clock::now();
      if (nextFree_ + kPaceSlack < now) nextFree_ = now;
      nextFree_ += std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(static_cast<double>(bytes.size()) / rate_));
      std::this_thread::sleep_until(nextFree_);
    }
    written_ += bytes.size();
    while (!bytes.empty()) {
      pollfd poll_fd{.fd = fd_, .events = POLLOUT, .revents = 0};
      if (poll(&poll_fd, 1, kWriteWaitMilliseconds) <= 0) throw ConnectionEnded{};
      const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent < 0 && errno == ENOTSOCK) {
        const ssize_t written = write(fd_, bytes.data(), bytes.size());
        if (written <= 0) throw ConnectionEnded{};
        bytes = bytes.subspan(static_cast<size_t>(written));
        continue;
      }
      if (sent <= 0) throw ConnectionEnded{};
      bytes = bytes.subspan(static_cast<size_t>(sent));
    }
  }

  int fd_;
  double rate_;
  Fault fault_;
  size_t written_ = 0;
  bool garbage_ = false;
  uint32_t noise_ = 2463534242u;
  Clock::time_point nextFree_{};
};

class CommandLogFile {
 public:
  explicit CommandLogFile(const std::string& path) {
    if (!path.empty()) file_.open(path, std::ios::app);
  }
  Controller::CommandLog Log() {
    if (!file_.is_open()) return {};
    return [this](std::string_view line) { file_ << line << '\n' << std::flush; };
  }

 private:
  std::ofstream file_;
};

Clock::time_point LifetimeEnd(const LinkOptions& options) {
  return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(options.lifetimeSeconds));
}

bool LifetimeOver(Clock::time_point end) {
  return Clock::now() >= end;
}

// Reads what the host sends until it goes away; a stall keeps reading and answers nothing.
void Converse(int fd, Bus& bus, const LinkOptions& options, Fault fault, Clock::time_point end,
              Eeprom& eeprom, CommandLogFile& log, bool (*hostGone)(int fd)) {
  Output output(fd, options, fault);
  Controller controller(
      bus, options.flavour, eeprom, [&](auto bytes) { output.Write(bytes); }, log.Log());
  controller.SetPollAnswerTime(options.pollAnswerTime);
  const auto bootEnd = Clock::now() + std::chrono::milliseconds(options.bootMilliseconds);
  bool stalled = false;
  std::array<uint8_t, 4096> buffer{};
  while (!LifetimeOver(end)) {
    pollfd poll_fd{.fd = fd, .events = POLLIN, .revents = 0};
    if (poll(&poll_fd, 1, kPollMilliseconds) < 0) return;
    if (hostGone(fd)) return;
    if ((poll_fd.revents & POLLIN) == 0) continue;
    const ssize_t received = read(fd, buffer.data(), buffer.size());
    if (received <= 0) return;
    if (stalled || Clock::now() < bootEnd) continue;
    try {
      controller.Feed(std::span(buffer).first(static_cast<size_t>(received)));
    } catch (const Stalled&) {
      stalled = true;
    } catch (const ConnectionEnded&) {
      return;
    }
  }
}

// What lasts across the connections of one run: its end, the command log, the controller's
// EEPROM and the fault, which belongs to the first connection only.
class Connections {
 public:
  Connections(Bus& bus, const LinkOptions& options)
      : bus_(bus),
        options_(options),
        end_(LifetimeEnd(options)),
        log_(options.logPath),
        eeprom_(options.eeprom),
        fault_(options.fault) {}

  bool Over() const { return LifetimeOver(end_); }

  void Serve(int fd, bool (*hostGone)(int fd)) {
    Converse(fd, bus_, options_, fault_, end_, eeprom_, log_, hostGone);
    fault_ = {};
  }

 private:
  Bus& bus_;
  const LinkOptions& options_;
  Clock::time_point end_;
  CommandLogFile log_;
  Eeprom eeprom_;
  Fault fault_;
};

bool NeverGone(int) {
  return false;
}

// A pseudo-terminal's master reports a hang-up while no one holds the terminal open.
bool TerminalClosed(int fd) {
  pollfd poll_fd{.fd = fd, .events = 0, .revents = 0};
  return poll(&poll_fd, 1, 0) > 0 && (poll_fd.revents & POLLHUP) != 0;
}

}  // namespace

int ServeTcp(Bus& bus, uint16_t port, const LinkOptions& options) {
  const FileDescriptor listener(socket(AF_INET, SOCK_STREAM, 0));
  const int yes = 1;
  setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.get(), 4) != 0 ||
      getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("controller emulator: 127.0.0.1");
    return 1;
  }
  std::printf("tcp://127.0.0.1:%u\n", ntohs(address.sin_port));
  std::fflush(stdout);

  Connections connections(bus, options);
  while (!connections.Over()) {
    pollfd poll_fd{.fd = listener.get(), .events = POLLIN, .revents = 0};
    if (poll(&poll_fd, 1, kPollMilliseconds) <= 0) continue;
    const FileDescriptor connection(accept(listener.get(), nullptr, nullptr));
    if (connection.get() < 0) continue;
    setsockopt(connection.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    connections.Serve(connection.get(), &NeverGone);
  }
  return 0;
}

int ServePty(Bus& bus, const LinkOptions& options) {
  const FileDescriptor master(posix_openpt(O_RDWR | O_NOCTTY));
  if (master.get() < 0 || grantpt(master.get()) != 0 || unlockpt(master.get()) != 0) {
    std::perror("controller emulator: pseudo-terminal");
    return 1;
  }
  const char* path = ptsname(master.get());
  {
    // Raw from the start: the host's bytes must reach the controller unchanged.
    const FileDescriptor terminal(open(path, O_RDWR | O_NOCTTY));
    termios settings{};
    tcgetattr(terminal.get(), &settings);
    cfmakeraw(&settings);
    tcsetattr(terminal.get(), TCSANOW, &settings);
  }
  std::printf("%s\n", path);
  std::fflush(stdout);

  Connections connections(bus, options);
  while (!connections.Over()) {
    if (TerminalClosed(master.get())) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kPollMilliseconds));
      continue;
    }
    // Someone opened the terminal: a board that resets on open starts again.
    connections.Serve(master.get(), &TerminalClosed);
  }
  return 0;
}

}  // namespace gpibsim::controller
