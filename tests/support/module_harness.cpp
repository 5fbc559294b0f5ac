#include "support/module_harness.h"

#include <algorithm>

#include <cstdlib>
#include <stdexcept>

#include "driver/startup.h"
#include "gpib/gpib_api.h"
#include "gpib/instrument_access.h"
#include "resources/resources.h"

namespace testing_support {

namespace {
char moduleToken;  // names the linked-in module, as a dlopen handle names the shared one

// Start-up as loading the shared library runs it.
[[maybe_unused]] const bool moduleStarted = [] {
  AfxRegisterModuleResources(TestModuleInstance(), &kModuleResources);
  return DllMain(TestModuleInstance(), DLL_PROCESS_ATTACH, nullptr) == TRUE;
}();
}  // namespace

HINSTANCE TestModuleInstance() {
  return &moduleToken;
}

void RestartModule(const char* languageModule) {
  if (languageModule != nullptr) {
    setenv("QUENLANG_RESOURCE_MODULE", languageModule, 1);
  } else {
    unsetenv("QUENLANG_RESOURCE_MODULE");
  }
  DllMain(TestModuleInstance(), DLL_PROCESS_ATTACH, nullptr);
}

SimBus::SimBus() {
  gpibsim_clear_bus();
}
SimBus::~SimBus() {
  gpibsim_clear_bus();
}

void SimBus::AddScripted(int32_t pad, const char* name) {
  gpibsim_add_scripted(pad, name);
}

void SimBus::Reply(int32_t pad, std::string_view command, std::string_view reply) {
  gpibsim_script_reply(pad, command.data(), static_cast<int32_t>(command.size()), reply.data(),
                       static_cast<int32_t>(reply.size()));
}

void SimBus::Queue(int32_t pad, std::string_view reply) {
  gpibsim_queue_reply(pad, reply.data(), static_cast<int32_t>(reply.size()));
}

void SimBus::LoadBench(std::string_view toml) {
  const std::string text(toml);
  if (gpibsim_load_bench_text(text.c_str()) != 0) {
    throw std::runtime_error(std::string("bench: ") + gpibsim_last_error());
  }
}

void SimBus::LoadBenchFile(const std::string& path) {
  if (gpibsim_load_bench_file(path.c_str()) != 0) {
    throw std::runtime_error(std::string("bench: ") + gpibsim_last_error());
  }
}

std::vector<Call> SimBus::Calls() const {
  std::vector<Call> calls;
  for (int32_t i = 0; i < gpibsim_call_count(); ++i) {
    gpibsim_call raw{};
    gpibsim_get_call(i, &raw);
    calls.push_back({raw.function, raw.arguments, raw.ibsta, raw.iberr, raw.ibcntl,
                     std::string(reinterpret_cast<const char*>(raw.data),
                                 static_cast<size_t>(raw.dataLength))});
  }
  return calls;
}

std::vector<Call> SimBus::CallsOf(std::string_view function) const {
  std::vector<Call> calls = Calls();
  std::erase_if(calls, [&](const Call& call) { return call.function != function; });
  return calls;
}

std::vector<std::string> SimBus::Written() const {
  std::vector<std::string> written;
  for (const Call& call : Calls()) {
    if (call.function == "ibwrt" || call.function == "Send") written.push_back(call.data);
  }
  return written;
}

ModuleHost::ModuleHost() {
  Module().Callback = &Callback;
  Module().ProgressWindow = Window();
}

ModuleHost::~ModuleHost() {
  Module().Callback = nullptr;
  Module().ProgressWindow = nullptr;
}

std::time_t SteppingClock(std::time_t* out) {
  static std::time_t now = 1'000'000;
  ++now;
  if (out != nullptr) *out = now;
  return now;
}

BoundGpib::BoundGpib() : ok_(LoadGpibApi()) {
  SetCalendarClock(&SteppingClock);
}
BoundGpib::~BoundGpib() {
  UnloadGpibApi();
  SetCalendarClock(nullptr);
}

HostArrays::HostArrays(size_t points, double markerValue) : marker(markerValue) {
  for (int i = 0; i < 5; ++i) {
    arrays[i].assign(points, marker);
    buffers.arrays[i] = arrays[i].data();
  }
}

bool HostArrays::Untouched(int index) const {
  return std::all_of(arrays[index].begin(), arrays[index].end(),
                     [this](double value) { return value == marker; });
}

}  // namespace testing_support
