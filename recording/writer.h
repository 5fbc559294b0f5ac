// Writing a recording: the version line, then one line a call, each flushed as it is written
// so that a recording survives a crash of the program that made it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "call.h"

namespace gpib_recording {

// The line of one call, without its newline.
std::string FormatCall(const Call& call);

class RecordingFile {
 public:
  enum class Mode { kReplace, kAppend };

  // Opens path; a new or empty file gets the version line first. False when the file cannot
  // be opened.
  bool Open(const std::string& path, Mode mode);
  void Close() { file_.reset(); }
  bool IsOpen() const { return file_ != nullptr; }
  void Write(const Call& call);

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace gpib_recording
