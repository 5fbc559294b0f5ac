// The bus scan on arbitrary identification replies from any set of listeners, with lying byte
// counts and failing calls, and the chooser driven by arbitrary keys. Options: the listeners
// (bit p of 4 bytes puts a device at pad p, 1 to 30) and the keys typed into the chooser (at
// most 64); the console closes when they run out, as a terminal that goes away.
#include <algorithm>
#include <memory>

#include "fuzz_bus.h"
#include "instruments/tektronix_scan/tektronix_scanner.h"
#include "platform/posix/terminal_dialog.h"

namespace {

constexpr size_t kMostKeys = 64;

class TypedKeys final : public DialogConsole {
 public:
  explicit TypedKeys(fuzzing::Bytes keys) : keys_(std::move(keys)) {}
  void Draw(const std::vector<std::string>& lines) override {
    for (const std::string& line : lines) drawn_ += line.size();
  }
  // 0xff right after another byte stands for a pause: nothing follows.
  int ReadByte(bool followUp) override {
    if (next_ >= keys_.size()) return kClosed;
    const uint8_t key = keys_[next_++];
    return followUp && key == 0xff ? kNothingFollows : key;
  }

 private:
  fuzzing::Bytes keys_;
  size_t next_ = 0;
  size_t drawn_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzBus bus({data, size}, {"SendIFC", "FindLstn", "Send", "Receive"});
  fuzzing::ScriptReader& input = bus.input();
  const uint32_t listeners = input.U32();
  fuzzing::Bytes keys = input.Blob();
  // Each key redraws the whole dialog: a few dozen reach every state, thousands only slow the
  // run down.
  keys.resize(std::min<size_t>(keys.size(), kMostKeys));
  for (int32_t pad = 1; pad <= 30; ++pad) {
    if ((listeners >> pad) & 1u) gpibsim_add_scripted(pad, nullptr);
  }
  if (!bus.Start()) return 0;
  SetDialogConsoleOpener([&keys] { return std::make_unique<TypedKeys>(keys); });

  int16_t address = -7;
  if (TektronixScanner("TEKTRONIX", &address) == 1) {
    FUZZ_CHECK(address == -1 || (address >= 1 && address <= 30 && ((listeners >> address) & 1u)));
  }
  SetDialogConsoleOpener({});
  return 0;
}
