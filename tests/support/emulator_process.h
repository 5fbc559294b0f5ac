// An emulator (the controller's, or another's) as a child process for one test: started with
// its arguments, its first line (where it listens) read within a bounded time, ended with the
// test.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace prologix_test {

class EmulatorProcess {
 public:
  // Throws std::runtime_error when the emulator does not say where it listens within 10 s.
  explicit EmulatorProcess(const std::vector<std::string>& arguments);
  // The emulator at program.
  EmulatorProcess(std::string program, const std::vector<std::string>& arguments);
  ~EmulatorProcess();
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  // Its first line: "tcp://127.0.0.1:PORT" or the pseudo-terminal's path for the controller.
  const std::string& Port() const { return port_; }

 private:
  pid_t pid_ = -1;
  std::string port_;
};

}  // namespace prologix_test
