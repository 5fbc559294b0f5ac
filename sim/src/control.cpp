// The control interface (gpibsim_*): what tests and hosts use to set up the bus and to read
// what happened on it. These calls are not part of the transcript.
#include <mutex>

#include "gpibsim/gpibsim.h"
#include "scripted_device.h"
#include "simulator.h"

using gpibsim::Simulator;

namespace {

// The simulator, locked for the length of one control call.
struct Locked {
  Simulator& sim = Simulator::Instance();
  std::lock_guard<std::recursive_mutex> lock{sim.mutex};
};

bool ValidPad(int32_t pad) {
  return pad >= gpibsim::Bus::kFirstAddress && pad <= gpibsim::Bus::kLastAddress;
}

std::span<const uint8_t> BytesOf(const void* bytes, int32_t length) {
  if (bytes == nullptr || length <= 0) return {};
  return {static_cast<const uint8_t*>(bytes), static_cast<size_t>(length)};
}

bool ValidBytes(const void* bytes, int32_t length) {
  return length >= 0 && (bytes != nullptr || length == 0);
}

gpibsim::ScriptedDevice* ScriptedAt(const Simulator& sim, int32_t pad) {
  return dynamic_cast<gpibsim::ScriptedDevice*>(sim.bus.DeviceAt(pad));
}

}  // namespace

extern "C" {

int gpibsim_load_bench_file(const char* path) {
  Locked locked;
  if (path == nullptr) return -1;
  return locked.sim.LoadBenchFile(path) ? 0 : -1;
}

int gpibsim_load_bench_text(const char* toml) {
  Locked locked;
  if (toml == nullptr) return -1;
  return locked.sim.LoadBench(toml, "bench text") ? 0 : -1;
}

int gpibsim_load_default_bench(void) {
  Locked locked;
  return locked.sim.LoadBench(gpibsim::kDefaultBenchText, "default bench") ? 0 : -1;
}

const char* gpibsim_default_bench_text(void) {
  return gpibsim::kDefaultBenchText;
}

const char* gpibsim_last_error(void) {
  Locked locked;
  return locked.sim.lastError.c_str();
}

void gpibsim_clear_bus(void) {
  Locked locked;
  locked.sim.Reset();
}

void gpibsim_set_transfer_rate(double bytesPerSecond) {
  Locked locked;
  locked.sim.bus.SetTransferRate(bytesPerSecond > 0.0 ? bytesPerSecond : 0.0);
}

int gpibsim_name_device(const char* name, int32_t pad) {
  Locked locked;
  if (name == nullptr || *name == '\0' || !ValidPad(pad)) return -1;
  locked.sim.bus.Name(name, pad);
  return 0;
}

int gpibsim_add_scripted(int32_t pad, const char* name) {
  Locked locked;
  if (!ValidPad(pad)) return -1;
  locked.sim.bus.Attach(pad, std::make_unique<gpibsim::ScriptedDevice>());
  if (name != nullptr && *name != '\0') locked.sim.bus.Name(name, pad);
  return 0;
}

int gpibsim_script_reply(int32_t pad, const void* command, int32_t commandLength, const void* reply,
                         int32_t replyLength) {
  Locked locked;
  gpibsim::ScriptedDevice* device = ScriptedAt(locked.sim, pad);
  if (device == nullptr || !ValidBytes(command, commandLength) || !ValidBytes(reply, replyLength)) {
    return -1;
  }
  device->Script(BytesOf(command, commandLength), BytesOf(reply, replyLength));
  return 0;
}

int gpibsim_queue_reply(int32_t pad, const void* reply, int32_t replyLength) {
  Locked locked;
  gpibsim::ScriptedDevice* device = ScriptedAt(locked.sim, pad);
  if (device == nullptr || !ValidBytes(reply, replyLength)) return -1;
  device->Queue(BytesOf(reply, replyLength));
  return 0;
}

void gpibsim_fail_call(const char* function, int32_t nth, int32_t iberr) {
  Locked locked;
  if (function != nullptr) locked.sim.faults.FailCall(function, nth, iberr);
}

void gpibsim_force_count(const char* function, int32_t nth, int32_t count) {
  Locked locked;
  if (function != nullptr) locked.sim.faults.ForceCount(function, nth, count);
}

int32_t gpibsim_call_count(void) {
  Locked locked;
  return static_cast<int32_t>(locked.sim.transcript.Size());
}

int gpibsim_get_call(int32_t index, gpibsim_call* call) {
  Locked locked;
  if (call == nullptr || index < 0 || static_cast<size_t>(index) >= locked.sim.transcript.Size()) {
    return -1;
  }
  const gpibsim::CallRecord& record = locked.sim.transcript.At(static_cast<size_t>(index));
  call->number = record.number;
  call->function = record.function.c_str();
  call->arguments = record.arguments.c_str();
  call->ibsta = record.ibsta;
  call->iberr = record.iberr;
  call->ibcntl = record.ibcntl;
  call->data = record.data.data();
  call->dataLength = static_cast<int32_t>(record.data.size());
  call->dataTotal = record.dataTotal;
  call->time = record.time;
  call->duration = record.duration;
  return 0;
}

void gpibsim_clear_transcript(void) {
  Locked locked;
  locked.sim.transcript.Clear();
}

int gpibsim_set_trace_file(const char* path) {
  Locked locked;
  gpibsim::Trace& trace = locked.sim.transcript.trace();
  if (path == nullptr || *path == '\0') {
    trace.Close();
    return 0;
  }
  return trace.Open(path) ? 0 : -1;
}

int32_t gpibsim_open_descriptors(void) {
  Locked locked;
  return locked.sim.bus.OpenDescriptors();
}

int gpibsim_device_remote(int32_t pad) {
  Locked locked;
  const gpibsim::Device* device = locked.sim.bus.DeviceAt(pad);
  return device != nullptr && device->remote ? 1 : 0;
}

int gpibsim_device_locked(int32_t pad) {
  Locked locked;
  const gpibsim::Device* device = locked.sim.bus.DeviceAt(pad);
  return device != nullptr && device->locked ? 1 : 0;
}

}  // extern "C"
