// Runs the scopehost executable as a user would, in a scratch directory of its own.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace hosttest {

struct RunResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// A fresh directory for one test, removed afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // Names of the entries now in the directory, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::filesystem::path path_;
};

// Runs scopehost with arguments; environment holds variables to set ("" unsets one). No
// GPIBSIM_BENCH or GPIBSIM_TRACE from the test's own environment reaches it.
RunResult RunScopehost(const std::vector<std::string>& arguments,
                       const std::map<std::string, std::string>& environment = {});

// The default bench with its transfer rate set to 0, written into directory: the same
// instruments, no pacing.
std::filesystem::path UnpacedDefaultBench(const std::filesystem::path& directory);

// A bench of the given TOML text, written into directory.
std::filesystem::path WriteBench(const std::filesystem::path& directory, const std::string& name,
                                 const std::string& text);

std::string ReadText(const std::filesystem::path& path);

}  // namespace hosttest
