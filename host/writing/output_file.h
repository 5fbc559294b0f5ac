// Output files that appear whole or not at all.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scopehost {

// The exit status of a host whose output file could not be written, whether it returns it or
// a library that cannot go on (PLplot) ends the process.
constexpr int kOutputFailedExitStatus = 3;

// A file that could not be written; what() names it and says why.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Written under a temporary name in the target's own directory and renamed over the target
// only by Commit, after every byte reached the disk; a failed or abandoned write removes the
// temporary file, so no partial file is ever left under either name.
class OutputFile {
 public:
  // Throws OutputError when the directory does not take a new file.
  explicit OutputFile(std::filesystem::path target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // The open temporary file, for writers that write bytes themselves.
  void Write(std::string_view text);
  // For a library that writes by file name: the temporary file, closed here first.
  std::filesystem::path HandOverPath();
  // Closes, checks and renames into place; throws OutputError.
  void Commit();
  const std::filesystem::path& target() const { return target_; }

 private:
  void Close();
  [[noreturn]] void Fail(std::string_view what, int error) const;

  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::FILE* stream_ = nullptr;
  int writeError_ = 0;  // errno of the first write that fell short
  bool committed_ = false;
};

// The directory a file output goes into.
std::filesystem::path DirectoryOf(const std::filesystem::path& file);

// The directory that takes a directory output made when missing: its nearest existing
// ancestor.
std::filesystem::path NearestExisting(const std::filesystem::path& made);

// Why no new file can be made in directory ("no such directory", the system's reason), or
// nullopt when one can: a temporary file is made there and removed.
std::optional<std::string> WhyNoFileFitsIn(const std::filesystem::path& directory);

}  // namespace scopehost
