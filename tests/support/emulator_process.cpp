#include "support/emulator_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace prologix_test {

namespace {

constexpr int kStartMilliseconds = 10000;

}  // namespace

EmulatorProcess::EmulatorProcess(const std::vector<std::string>& arguments)
    : EmulatorProcess(GPIB_CONTROLLER_EMULATOR, arguments) {}

EmulatorProcess::EmulatorProcess(std::string program, const std::vector<std::string>& arguments) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the test
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartMilliseconds);
  std::string line;
  char byte = 0;
  while (line.empty() || line.back() != '\n') {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd poll_fd{.fd = out[0], .events = POLLIN, .revents = 0};
    if (left.count() <= 0 || poll(&poll_fd, 1, static_cast<int>(left.count())) <= 0 ||
        read(out[0], &byte, 1) != 1) {
      close(out[0]);
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      throw std::runtime_error(program + " did not start");
    }
    line.push_back(byte);
  }
  close(out[0]);
  line.pop_back();
  port_ = line;
}

EmulatorProcess::~EmulatorProcess() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace prologix_test
