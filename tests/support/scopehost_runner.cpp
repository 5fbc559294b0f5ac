#include "support/scopehost_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <toml++/toml.h>

namespace hosttest {

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "scopehost-test-XXXXXX");
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchDirectory::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::ranges::sort(names);
  return names;
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

RunResult RunScopehost(const std::vector<std::string>& arguments,
                       const std::map<std::string, std::string>& environment) {
  const ScratchDirectory capture;
  const std::filesystem::path outPath = capture / "stdout";
  const std::filesystem::path errPath = capture / "stderr";
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = open("/dev/null", O_RDONLY);
    if (out < 0 || err < 0 || in < 0) _exit(127);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    unsetenv("GPIBSIM_BENCH");
    unsetenv("GPIBSIM_TRACE");
    for (const auto& [name, value] : environment) {
      if (value.empty()) {
        unsetenv(name.c_str());
      } else {
        setenv(name.c_str(), value.c_str(), 1);
      }
    }
    std::vector<char*> argv{const_cast<char*>(SCOPEHOST_PATH)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(SCOPEHOST_PATH, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  RunResult result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  return result;
}

std::filesystem::path WriteBench(const std::filesystem::path& directory, const std::string& name,
                                 const std::string& text) {
  const std::filesystem::path path = directory / name;
  std::ofstream(path) << text;
  return path;
}

std::filesystem::path UnpacedDefaultBench(const std::filesystem::path& directory) {
  toml::table bench = toml::parse_file(GPIBSCOPE_DEFAULT_BENCH);
  bench.insert_or_assign("transfer_rate", 0.0);
  std::ostringstream text;
  text << bench;
  return WriteBench(directory, "bench.toml", text.str());
}

}  // namespace hosttest
