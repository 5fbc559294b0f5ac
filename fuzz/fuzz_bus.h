// What every fuzz target does around its driver: an empty simulated bus with scripted devices,
// the GPIB library bound with an instant settle wait, the input's faults planned, and each
// read preceded by the input's next reply queued on the device read from, so that every read
// gets one reply of the input whatever the driver wrote before it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

#include "fuzz_script.h"
#include "ni488/ni488.h"
#include "support/module_harness.h"

namespace fuzzing {

// Aborts the run (a finding) when an invariant of the module's contract does not hold.
#define FUZZ_CHECK(condition) ::fuzzing::Check((condition), #condition, __FILE__, __LINE__)
void Check(bool holds, const char* condition, const char* file, int line);

class FuzzBus {
 public:
  // `functions` names the calls the input's faults may pick, by index modulo their count.
  FuzzBus(std::span<const uint8_t> data, std::initializer_list<const char*> functions);
  ~FuzzBus();
  FuzzBus(const FuzzBus&) = delete;
  FuzzBus& operator=(const FuzzBus&) = delete;

  ScriptReader& input() { return input_; }
  // Reads the faults from the input, binds the library and hooks the reads; after the options.
  // Each read then takes the input's next reply.
  bool Start();
  // The device at pad answers the replies of reads made on a unit descriptor (ibrd).
  void SetDescriptorDevice(int32_t pad) { descriptorPad_ = pad; }

 private:
  static int32_t ReadOnDescriptor(int32_t ud, void* buffer, int32_t count);
  static void ReceiveFromAddress(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                                 int32_t termination);
  void QueueNextReply(int32_t pad);

  ScriptReader input_;
  std::vector<const char*> functions_;
  int32_t descriptorPad_ = 0;
  std::unique_ptr<testing_support::SimBus> bus_;
  std::unique_ptr<testing_support::BoundGpib> gpib_;
  std::unique_ptr<testing_support::ModuleHost> host_;
  IbrdFn ibrd_ = nullptr;
  ReceiveFn receive_ = nullptr;
};

// Host arrays as a host allocates them: `count` (at most 5) separate heap blocks of `points`
// values each, the rest null, so AddressSanitizer sees a write past any of them.
class ExactArrays {
 public:
  ExactArrays(int count, int32_t points);
  WaveformBuffers* buffers() { return &buffers_; }

 private:
  WaveformBuffers buffers_{};
};

}  // namespace fuzzing
