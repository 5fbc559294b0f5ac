#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace scopehost {

namespace {

// mkstemp makes the file readable by its owner only; an output file gets the usual rights.
mode_t UsualFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

OutputFile::OutputFile(std::filesystem::path target) : target_(std::move(target)) {
  std::string pattern = target_.string() + ".XXXXXX";
  const int descriptor = mkstemp(pattern.data());
  if (descriptor < 0) Fail("cannot create", errno);
  temporary_ = pattern;
  stream_ = fdopen(descriptor, "w");
  if (stream_ == nullptr) {
    const int error = errno;
    close(descriptor);
    unlink(temporary_.c_str());  // no destructor runs for a constructor that throws
    Fail("cannot open", error);
  }
}

OutputFile::~OutputFile() {
  if (stream_ != nullptr) std::fclose(stream_);
  if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
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
  } else if (error == 0 && (std::fflush(stream_) != 0 || fsync(fileno(stream_)) != 0)) {
    error = errno;
  }
  if (std::fclose(stream_) != 0 && error == 0) error = errno;
  stream_ = nullptr;
  if (error != 0) Fail("cannot write", error);
}

void OutputFile::Commit() {
  Close();
  if (chmod(temporary_.c_str(), UsualFileMode()) != 0) Fail("cannot write", errno);
  if (std::rename(temporary_.c_str(), target_.c_str()) != 0) Fail("cannot write", errno);
  committed_ = true;
}

void OutputFile::Fail(std::string_view what, int error) const {
  throw OutputError(std::string(what) + " " + target_.string() + ": " + std::strerror(error));
}

}  // namespace scopehost
