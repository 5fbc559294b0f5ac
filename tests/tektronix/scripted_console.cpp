#include "scripted_console.h"

namespace testing_support {

int ScriptedConsole::ReadByte(bool followUp) {
  if (burst_ < bursts_.size() && at_ == bursts_[burst_].size()) {
    if (followUp) return kNothingFollows;
    ++burst_;
    at_ = 0;
  }
  if (burst_ >= bursts_.size()) return kClosed;
  return static_cast<unsigned char>(bursts_[burst_][at_++]);
}

ScriptedKeys::ScriptedKeys(std::vector<std::string> bursts) {
  SetDialogConsoleOpener([this, bursts] {
    ++opened;
    return std::make_unique<ScriptedConsole>(bursts, &screens);
  });
}

ScriptedKeys::~ScriptedKeys() {
  SetDialogConsoleOpener({});
}

NoConsole::NoConsole() {
  SetDialogConsoleOpener([] { return std::unique_ptr<DialogConsole>(); });
}

NoConsole::~NoConsole() {
  SetDialogConsoleOpener({});
}

}  // namespace testing_support
