// The chooser on a real terminal: a child process runs it on a pseudo-terminal that is its
// controlling terminal, the test types into the other end, and the child reports what the
// dialog returned and whether the terminal got its mode back. Without a controlling terminal
// the dialog ends as cancelled.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "instruments/tektronix_scan/device_chooser_dialog.h"
#include "support/case_name.h"
#include "support/scripted_console.h"

namespace {

constexpr int kTerminalNotRestored = 250;
constexpr int kCancelled = 251;
constexpr int kReadLimitMilliseconds = 20000;  // a hung child fails the test instead of CI

// Runs the chooser with lines for addresses 4, 9 and 17; the exit status is the chosen address,
// kCancelled, or kTerminalNotRestored.
[[noreturn]] void RunChooserAndExit() {
  termios before{};
  const bool hadMode = tcgetattr(STDIN_FILENO, &before) == 0;
  DeviceChooserDialog chooser(nullptr);
  for (const int address : {4, 9, 17}) chooser.AddEntry("TEKTRONIX", address);
  const INT_PTR result = chooser.DoModal();
  termios after{};
  if (hadMode &&
      (tcgetattr(STDIN_FILENO, &after) != 0 || std::memcmp(&before, &after, sizeof before) != 0))
    _exit(kTerminalNotRestored);
  _exit(result == IDOK ? chooser.m_chosenAddress : kCancelled);
}

// Reads the child's screen until it shows `text` (or the child's side closes).
bool ReadUntil(int master, std::string& screen, const std::string& text) {
  while (screen.find(text) == std::string::npos) {
    pollfd ready{master, POLLIN, 0};
    if (poll(&ready, 1, kReadLimitMilliseconds) <= 0) return false;
    char bytes[512];
    const ssize_t got = read(master, bytes, sizeof bytes);
    if (got <= 0) return false;
    screen.append(bytes, static_cast<size_t>(got));
  }
  return true;
}

int ExitStatusOf(pid_t child) {
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct TypedCase {
  const char* name;
  const char* keys;
  int status;
};

class ChooserOnATerminal : public ::testing::TestWithParam<TypedCase> {};

TEST_P(ChooserOnATerminal, ReadsKeysThereAndRestoresTheMode) {
  int master = -1;
  const pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) RunChooserAndExit();

  std::string screen;
  const bool drawn = ReadUntil(master, screen, "TEKTRONIX-[DEV17]");
  if (drawn) {
    const std::string keys = GetParam().keys;
    EXPECT_EQ(write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    ReadUntil(master, screen, "\x1b[?25h");  // the cursor comes back as the dialog closes
  } else {
    kill(child, SIGKILL);
  }
  EXPECT_TRUE(drawn) << screen;
  EXPECT_EQ(ExitStatusOf(child), GetParam().status);
  close(master);
}

INSTANTIATE_TEST_SUITE_P(Keys, ChooserOnATerminal,
                         ::testing::Values(TypedCase{"DownAndEnter", "\x1b[B\r", 9},
                                           TypedCase{"LoneEscape", "\x1b", kCancelled},
                                           TypedCase{"CtrlC", "\x03", kCancelled}),
                         testing_support::kCaseName);

TEST(ChooserWithoutATerminal, EndsAsCancelled) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setsid();  // a new session has no controlling terminal
    RunChooserAndExit();
  }
  EXPECT_EQ(ExitStatusOf(child), kCancelled);
}

}  // namespace
