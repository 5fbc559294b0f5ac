// Keys for the modal dialog without a terminal: the console seam replaced by scripted bursts
// of bytes, with every screen the dialog drew kept for the test to read.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/posix/terminal_dialog.h"

namespace testing_support {

// Each burst's bytes arrive together; after a burst a follow-up read finds nothing (so a burst
// ending in Escape is a lone Escape), and when every burst is used up the console closes.
class ScriptedKeys {
 public:
  explicit ScriptedKeys(std::vector<std::string> bursts) {
    SetDialogConsoleOpener([this, bursts] {
      ++opened;
      return std::make_unique<Console>(bursts, screens);
    });
  }
  ~ScriptedKeys() { SetDialogConsoleOpener({}); }
  ScriptedKeys(const ScriptedKeys&) = delete;
  ScriptedKeys& operator=(const ScriptedKeys&) = delete;

  std::vector<std::vector<std::string>> screens;  // what the dialogs drew, in order
  int opened = 0;                                 // consoles opened

 private:
  class Console final : public DialogConsole {
   public:
    Console(std::vector<std::string> bursts, std::vector<std::vector<std::string>>& screens)
        : bursts_(std::move(bursts)), screens_(screens) {}
    void Draw(const std::vector<std::string>& lines) override { screens_.push_back(lines); }
    int ReadByte(bool followUp) override {
      if (burst_ < bursts_.size() && at_ == bursts_[burst_].size()) {
        if (followUp) return kNothingFollows;
        ++burst_;
        at_ = 0;
      }
      if (burst_ >= bursts_.size()) return kClosed;
      return static_cast<unsigned char>(bursts_[burst_][at_++]);
    }

   private:
    std::vector<std::string> bursts_;
    std::vector<std::vector<std::string>>& screens_;
    size_t burst_ = 0;
    size_t at_ = 0;
  };
};

// Dialogs find no console, as in a process without a controlling terminal.
struct NoConsole {
  NoConsole() {
    SetDialogConsoleOpener([] { return std::unique_ptr<DialogConsole>(); });
  }
  ~NoConsole() { SetDialogConsoleOpener({}); }
};

}  // namespace testing_support
