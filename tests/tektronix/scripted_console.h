// Keys for the modal dialog without a terminal: the console seam replaced by scripted bursts
// of bytes, and every screen the dialog drew kept for the test to read.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/terminal_dialog.h"

namespace testing_support {

// Each burst's bytes arrive together; after a burst, a follow-up read finds nothing (so a
// burst ending in Escape is a lone Escape), and when every burst is used up the console closes.
class ScriptedConsole final : public DialogConsole {
 public:
  ScriptedConsole(std::vector<std::string> bursts, std::vector<std::vector<std::string>>* screens)
      : bursts_(std::move(bursts)), screens_(screens) {}

  void Draw(const std::vector<std::string>& lines) override { screens_->push_back(lines); }
  int ReadByte(bool followUp) override;

 private:
  std::vector<std::string> bursts_;
  std::vector<std::vector<std::string>>* screens_;
  size_t burst_ = 0;
  size_t at_ = 0;
};

// Puts a scripted console in place of the terminal for the dialogs opened while it lives.
class ScriptedKeys {
 public:
  explicit ScriptedKeys(std::vector<std::string> bursts);
  ~ScriptedKeys();
  ScriptedKeys(const ScriptedKeys&) = delete;
  ScriptedKeys& operator=(const ScriptedKeys&) = delete;

  std::vector<std::vector<std::string>> screens;  // what each dialog drew, in order
  int opened = 0;                                 // consoles opened (dialogs run)
};

// A dialog finds no console at all, as in a process without a controlling terminal.
class NoConsole {
 public:
  NoConsole();
  ~NoConsole();
  NoConsole(const NoConsole&) = delete;
  NoConsole& operator=(const NoConsole&) = delete;
};

}  // namespace testing_support
