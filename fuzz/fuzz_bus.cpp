#include "fuzz_bus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "gpib/gpib_api.h"

namespace fuzzing {

namespace {
FuzzBus* current = nullptr;  // the run in progress, for the read hooks
}  // namespace

void Check(bool holds, const char* condition, const char* file, int line) {
  if (holds) return;
  std::fprintf(stderr, "%s:%d: contract broken: %s\n", file, line, condition);
  std::abort();
}

FuzzBus::FuzzBus(std::span<const uint8_t> data, std::initializer_list<const char*> functions)
    : input_(data), functions_(functions), bus_(std::make_unique<testing_support::SimBus>()) {
  current = this;
}

FuzzBus::~FuzzBus() {
  current = nullptr;
}

bool FuzzBus::Start() {
  const std::vector<Fault> faults = input_.Faults();
  gpib_ = std::make_unique<testing_support::BoundGpib>();
  if (!gpib_->ok()) return false;
  ibrd_ = std::exchange(Gpib.ibrd, &ReadOnDescriptor);
  receive_ = std::exchange(Gpib.Receive, &ReceiveFromAddress);
  for (const Fault& fault : faults) {
    const char* function = functions_[fault.function % functions_.size()];
    if (fault.forcesCount) {
      gpibsim_force_count(function, fault.nth, fault.value);
    } else {
      gpibsim_fail_call(function, fault.nth, fault.value & 31);
    }
  }
  host_ = std::make_unique<testing_support::ModuleHost>();
  return true;
}

void FuzzBus::QueueNextReply(int32_t pad) {
  if (input_.AtEnd()) return;  // the device has nothing more to say: the read times out
  const Bytes reply = input_.Blob();
  gpibsim_queue_reply(pad, reply.data(), static_cast<int32_t>(reply.size()));
}

int32_t FuzzBus::ReadOnDescriptor(int32_t ud, void* buffer, int32_t count) {
  current->QueueNextReply(current->descriptorPad_);
  return current->ibrd_(ud, buffer, count);
}

void FuzzBus::ReceiveFromAddress(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                                 int32_t termination) {
  current->QueueNextReply(GetPAD(address));
  current->receive_(board, address, buffer, count, termination);
}

ExactArrays::ExactArrays(int count, int32_t points) {
  // Kept from run to run while the size stays: a fresh block of 20000 values per array and run
  // would cost more than the driver's work.
  static std::unique_ptr<double[]> kept[5];
  static int32_t keptPoints[5] = {};
  const int provided = std::clamp(count, 0, 5);
  for (int i = 0; i < provided; ++i) {
    if (keptPoints[i] != points) {
      kept[i] = std::make_unique_for_overwrite<double[]>(static_cast<size_t>(points));
      keptPoints[i] = points;
    }
    buffers_.arrays[i] = kept[i].get();
  }
}

}  // namespace fuzzing
