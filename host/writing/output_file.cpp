#include "writing/output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/platform.h"

namespace scopehost {

namespace {

void RemoveQuietly(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

OutputFile::OutputFile(std::filesystem::path target) : target_(std::move(target)) {
  std::string pattern = target_.string() + ".XXXXXX";
  const int descriptor = mkstemp(pattern.data());
  if (descriptor < 0) Fail("cannot create", errno);
  temporary_ = pattern;
  stream_ = fdopen(descriptor, "wb");  // the same bytes on every platform: no CR before LF
  if (stream_ == nullptr) {
    const int error = errno;
    close(descriptor);
    RemoveQuietly(temporary_);  // no destructor runs for a constructor that throws
    Fail("cannot open", error);
  }
}

OutputFile::~OutputFile() {
  if (stream_ != nullptr) std::fclose(stream_);
  if (!committed_ && !temporary_.empty()) RemoveQuietly(temporary_);
}

void OutputFile::Write(std::string_view text) {
  if (stream_ == nullptr || writeError_ != 0) return;
  if (std::fwrite(text.data(), 1, text.size(), stream_) != text.size()) writeError_ = errno;
}

std::filesystem::path OutputFile::HandOverPath() {
  Close();
  return temporary_;
}

void OutputFile::Close() {
  if (stream_ == nullptr) return;
  int error = writeError_;
  if (error == 0 && std::ferror(stream_) != 0) {
    error = EIO;
  } else if (error == 0 &&
             (std::fflush(stream_) != 0 || platform::SyncToDisk(fileno(stream_)) != 0)) {
    error = errno;
  }
  if (std::fclose(stream_) != 0 && error == 0) error = errno;
  stream_ = nullptr;
  if (error != 0) Fail("cannot write", error);
}

void OutputFile::Commit() {
  Close();
  if (!platform::GiveUsualFileMode(temporary_)) Fail("cannot write", errno);
  // Replaces an existing file on Windows too, where std::rename would refuse.
  std::error_code error;
  std::filesystem::rename(temporary_, target_, error);
  if (error) Fail("cannot write", error.value());
  committed_ = true;
}

std::filesystem::path DirectoryOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

std::filesystem::path NearestExisting(const std::filesystem::path& made) {
  std::filesystem::path directory = made;
  std::error_code error;
  while (!std::filesystem::exists(directory, error) && directory.has_parent_path() &&
         directory != directory.parent_path()) {
    directory = directory.parent_path();
  }
  return std::filesystem::exists(directory, error) ? directory : std::filesystem::path(".");
}

std::optional<std::string> WhyNoFileFitsIn(const std::filesystem::path& directory) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(directory, error);
  if (status.type() == std::filesystem::file_type::not_found) return "no such directory";
  if (error) return error.message();
  if (!std::filesystem::is_directory(status)) return "not a directory";
  std::string probe = (directory / ".scopehost-XXXXXX").string();
  const int descriptor = mkstemp(probe.data());
  if (descriptor < 0) return std::strerror(errno);
  close(descriptor);
  RemoveQuietly(probe);
  return std::nullopt;
}

void OutputFile::Fail(std::string_view what, int error) const {
  throw OutputError(std::string(what) + " " + target_.string() + ": " + std::strerror(error));
}

}  // namespace scopehost
