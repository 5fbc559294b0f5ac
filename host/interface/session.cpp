// Sessions of the C interface: opening one loads what the options choose, and each call that
// reaches the module or the bus holds the process's module lock and hears the module.
#include "interface/session.h"

#include <mutex>
#include <system_error>

#include "acquiring/acquisition.h"
#include "acquiring/device_names.h"
#include "interface/errors.h"
#include "loading/companions.h"
#include "loading/gpib_library.h"
#include "loading/recording.h"
#include "loading/simulator.h"
#include "scanning/bus_scan.h"

using namespace scopehost;

namespace {

// The module's state and the bus are the process's: one call reaches them at a time.
std::mutex moduleLock;

std::string SystemLibrary() {
  return std::string("the system's GPIB library found by its name ") + kGpibLibraryFileName;
}

std::filesystem::path Absolute(const std::string& path) {
  return std::filesystem::absolute(path);
}

void CheckChoices(const gpibscope_session_options& options) {
  const auto refuse = [](const char* why) { throw HostError(GPIBSCOPE_ERROR_ARGUMENT, why); };
  if (options.replay && (options.gpib || options.trace)) {
    refuse("a replay answers in place of a GPIB library: no GPIB library or trace with it");
  }
  if (options.trace && !options.gpib) refuse("a trace needs the GPIB library to record");
}

// What a session that loads a GPIB library or the replay uses, for the process's one claim.
std::string ClaimOf(const gpibscope_session_options& options,
                    const std::optional<std::filesystem::path>& library) {
  if (options.replay) return "the replay of " + Absolute(*options.replay).string();
  if (options.trace) {
    return "the recorder into " + Absolute(*options.trace).string() + " in front of " +
           library->string();
  }
  return library->string();
}

bool IsSimulator(const std::optional<SharedLibrary>& library) {
  try {
    return library && library->Symbol("gpibsim_load_bench_file") != nullptr;
  } catch (const LoadError&) {
    return false;
  }
}

void LoadBench(gpibscope_session& session, const std::string& bench) {
  if (!IsSimulator(session.gpib)) {
    throw HostError(GPIBSCOPE_ERROR_ARGUMENT, "a bench is for the simulated GPIB library only");
  }
  const std::filesystem::path file = ResolveBench(bench, OwnCompanions());
  std::error_code error;
  const gpibscope_status status =
      std::filesystem::exists(file, error) ? GPIBSCOPE_ERROR_BENCH : GPIBSCOPE_ERROR_UNKNOWN_BENCH;
  try {
    LoadSimulatedBench(*session.gpib, file);
  } catch (const LoadError& failure) {
    throw HostError(status, failure.what());
  }
}

void Open(gpibscope_session& session, const gpibscope_session_options& options) {
  CheckChoices(options);
  std::optional<std::filesystem::path> library;
  if (options.gpib) library = GpibLibraryPath(*options.gpib);
  if (library || options.replay) session.claim.emplace(ClaimOf(options, library));
  if (options.replay) LoadReplay(session.front, *options.replay);
  if (library) {
    if (options.trace) LoadRecorder(session.front, *options.trace, *library);
    session.gpib.emplace(*library);
  }
  if (options.bench) LoadBench(session, *options.bench);
  session.modulePath = options.module ? *options.module : OwnCompanions().Module().string();
  if (options.messages != nullptr) {
    session.messages = [handler = options.messages,
                        user = options.messagesUser](std::string_view text) {
      const std::string line(text);
      handler(line.c_str(), user);
    };
  }
}

bool ChoseLibrary(const gpibscope_session& session) {
  return session.front || session.gpib;
}

// A session with no library chosen holds the system's from its first call that reaches it.
void ClaimSystemLibrary(gpibscope_session& session) {
  if (!session.claim) session.claim.emplace(SystemLibrary());
}

const DriverModule& Module(gpibscope_session& session) {
  if (!session.module) {
    try {
      session.module.emplace(session.modulePath);
    } catch (const LoadError& failure) {
      throw HostError(GPIBSCOPE_ERROR_MODULE_LOAD, failure.what());
    }
  }
  return *session.module;
}

DeviceKind Device(int32_t type) {
  const std::optional<DeviceKind> kind = DeviceOfType(type);
  if (!kind) {
    throw HostError(GPIBSCOPE_ERROR_ARGUMENT, "unknown device type " + std::to_string(type));
  }
  return *kind;
}

const std::string& DisplayName(gpibscope_session& session, int32_t type) {
  const auto known = session.names.find(type);
  if (known != session.names.end()) return known->second;
  return session.names[type] = Module(session).DisplayName(type);
}

// The module's sizes, its messages heard: the callback handed over first.
ArraySizes Sizes(gpibscope_session& session, const DeviceKind& device) {
  ClaimSystemLibrary(session);
  const DriverModule& module = Module(session);
  const ListeningToModule listening(&session.messages);
  HandCallbackToModule(module);
  const MessageHandler note = [&](std::string_view text) {
    if (session.messages) session.messages(text);
  };
  const std::optional<ArraySizes> sizes = AskArraySizes(module, device.type, note);
  if (!sizes) {
    throw HostError(GPIBSCOPE_ERROR_MODULE,
                    "no array sizes for " + DisplayName(session, device.type));
  }
  return *sizes;
}

struct ProgressTarget {
  gpibscope_progress_fn progress;
  void* user;
  int steps;
};

void Moved(int position, void* context) {
  const auto* target = static_cast<const ProgressTarget*>(context);
  if (target->progress != nullptr) target->progress(position, target->steps, target->user);
}

Waveforms AcquireWaveforms(gpibscope_session& session, const DeviceKind& device,
                           gpibscope_progress_fn progress, void* user) {
  const ArraySizes sizes = Sizes(session, device);
  ProgressTarget target{progress, user, device.progressSteps};
  const ListeningToModule listening(&session.messages);
  std::optional<Waveforms> waveforms = Acquire(*session.module, device, sizes, &Moved, &target);
  if (!waveforms) {
    throw HostError(GPIBSCOPE_ERROR_MODULE,
                    "no waveforms from " + DisplayName(session, device.type));
  }
  return std::move(*waveforms);
}

}  // namespace

struct gpibscope_listeners {
  std::vector<Listener> found;
  std::string table;
};

extern "C" {

int32_t gpibscope_find_device(const char* text) {
  if (text == nullptr) return -1;
  const std::optional<DeviceKind> kind = FindDevice(text);
  return kind ? kind->type : -1;
}

const char* gpibscope_device_short_name(int32_t type) {
  const std::optional<DeviceKind> kind = DeviceOfType(type);
  return kind ? kind->shortName.data() : nullptr;
}

int gpibscope_device_progress_steps(int32_t type) {
  const std::optional<DeviceKind> kind = DeviceOfType(type);
  return kind ? kind->progressSteps : 0;
}

const char* gpibscope_default_module(void) {
  static const std::string path = OwnCompanions().Module().string();
  return path.c_str();
}

const char* gpibscope_default_viewer_template(void) {
  static const std::string path = OwnCompanions().ViewerTemplate().string();
  return path.c_str();
}

gpibscope_session_options* gpibscope_session_options_new(void) {
  return new (std::nothrow) gpibscope_session_options;
}

void gpibscope_session_options_free(gpibscope_session_options* options) {
  delete options;
}

namespace {

void Set(std::optional<std::string>& option, const char* value) {
  option = value != nullptr ? std::make_optional<std::string>(value) : std::nullopt;
}

}  // namespace

void gpibscope_session_options_set_gpib(gpibscope_session_options* options, const char* choice) {
  if (options != nullptr) Set(options->gpib, choice);
}

void gpibscope_session_options_set_bench(gpibscope_session_options* options, const char* bench) {
  if (options != nullptr) Set(options->bench, bench);
}

void gpibscope_session_options_set_module(gpibscope_session_options* options, const char* path) {
  if (options != nullptr) Set(options->module, path);
}

void gpibscope_session_options_set_trace(gpibscope_session_options* options,
                                         const char* recording) {
  if (options != nullptr) Set(options->trace, recording);
}

void gpibscope_session_options_set_replay(gpibscope_session_options* options,
                                          const char* recording) {
  if (options != nullptr) Set(options->replay, recording);
}

void gpibscope_session_options_set_messages(gpibscope_session_options* options,
                                            gpibscope_message_fn handler, void* user) {
  if (options == nullptr) return;
  options->messages = handler;
  options->messagesUser = user;
}

gpibscope_status gpibscope_session_open(const gpibscope_session_options* options,
                                        gpibscope_session** session, gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_GPIB_LIBRARY, [&] {
    Require(session, "session to open");
    *session = nullptr;
    auto opened = std::make_unique<gpibscope_session>();
    const std::lock_guard<std::mutex> lock(moduleLock);
    Open(*opened, options != nullptr ? *options : gpibscope_session_options{});
    *session = opened.release();
  });
}

void gpibscope_session_close(gpibscope_session* session) {
  const std::lock_guard<std::mutex> lock(moduleLock);
  delete session;
}

gpibscope_status gpibscope_session_load_bench(gpibscope_session* session, const char* bench,
                                              gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_BENCH, [&] {
    Require(session, "session");
    Require(bench, "bench");
    const std::lock_guard<std::mutex> lock(moduleLock);
    LoadBench(*session, bench);
  });
}

const char* gpibscope_session_gpib_absence(gpibscope_session* session) {
  if (session == nullptr || ChoseLibrary(*session)) return nullptr;
  try {
    const std::lock_guard<std::mutex> lock(moduleLock);
    const SharedLibrary found(kGpibLibraryFileName);
    return nullptr;
  } catch (const LoadError& failure) {
    session->absence = failure.what();
    return session->absence.c_str();
  }
}

gpibscope_status gpibscope_session_check_gpib(gpibscope_session* session, gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_GPIB_LIBRARY, [&] {
    Require(session, "session");
    if (const char* absence = gpibscope_session_gpib_absence(session)) {
      throw HostError(GPIBSCOPE_ERROR_GPIB_LIBRARY,
                      std::string("no GPIB library: the loader finds no ") + kGpibLibraryFileName +
                          " (" + absence + "); choose " + GpibLibraryNames() + " or a path");
    }
  });
}

gpibscope_status gpibscope_session_device_name(gpibscope_session* session, int32_t type,
                                               const char** name, gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_MODULE_LOAD, [&] {
    Require(session, "session");
    Require(name, "place for the name");
    const std::lock_guard<std::mutex> lock(moduleLock);
    *name = DisplayName(*session, Device(type).type).c_str();
  });
}

gpibscope_status gpibscope_session_sizes(gpibscope_session* session, int32_t type, int32_t* points,
                                         int16_t* arrays, gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_MODULE_LOAD, [&] {
    Require(session, "session");
    Require(points, "place for the points");
    Require(arrays, "place for the arrays");
    const std::lock_guard<std::mutex> lock(moduleLock);
    const ArraySizes sizes = Sizes(*session, Device(type));
    *points = sizes.points;
    *arrays = sizes.arrays;
  });
}

gpibscope_status gpibscope_session_acquire(gpibscope_session* session, int32_t type,
                                           gpibscope_progress_fn progress, void* user,
                                           gpibscope_acquisition** acquisition,
                                           gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_MODULE_LOAD, [&] {
    Require(session, "session");
    Require(acquisition, "place for the acquisition");
    *acquisition = nullptr;
    const DeviceKind device = Device(type);
    const std::lock_guard<std::mutex> lock(moduleLock);
    *acquisition = new gpibscope_acquisition{AcquireWaveforms(*session, device, progress, user)};
  });
}

gpibscope_status gpibscope_session_scan(gpibscope_session* session, gpibscope_listeners** listeners,
                                        gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_GPIB_LIBRARY, [&] {
    Require(session, "session");
    Require(listeners, "place for the listeners");
    *listeners = nullptr;
    const std::lock_guard<std::mutex> lock(moduleLock);
    ClaimSystemLibrary(*session);
    // The library search's GPIB library unless one was chosen.
    const std::optional<SharedLibrary> found =
        ChoseLibrary(*session) ? std::nullopt
                               : std::make_optional<SharedLibrary>(kGpibLibraryFileName);
    const SharedLibrary& library = session->front  ? *session->front
                                   : session->gpib ? *session->gpib
                                                   : *found;
    auto result = std::make_unique<gpibscope_listeners>();
    result->found = ScanBus(library);
    result->table = ListenerTable(result->found);
    *listeners = result.release();
  });
}

size_t gpibscope_listeners_count(const gpibscope_listeners* listeners) {
  return listeners != nullptr ? listeners->found.size() : 0;
}

namespace {

const Listener* ListenerAt(const gpibscope_listeners* listeners, size_t index) {
  if (listeners == nullptr || index >= listeners->found.size()) return nullptr;
  return &listeners->found[index];
}

}  // namespace

int32_t gpibscope_listener_primary(const gpibscope_listeners* listeners, size_t index) {
  const Listener* listener = ListenerAt(listeners, index);
  return listener != nullptr ? listener->pad : 0;
}

int32_t gpibscope_listener_secondary(const gpibscope_listeners* listeners, size_t index) {
  const Listener* listener = ListenerAt(listeners, index);
  return listener != nullptr ? SecondaryAddress(*listener) : 0;
}

const char* gpibscope_listener_identity(const gpibscope_listeners* listeners, size_t index) {
  const Listener* listener = ListenerAt(listeners, index);
  return listener != nullptr && listener->identity ? listener->identity->c_str() : nullptr;
}

const char* gpibscope_listeners_table(const gpibscope_listeners* listeners) {
  return listeners != nullptr ? listeners->table.c_str() : "";
}

void gpibscope_listeners_free(gpibscope_listeners* listeners) {
  delete listeners;
}

gpibscope_status gpibscope_describe_recording(const char* recording, gpibscope_text_fn line,
                                              void* user, gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_GPIB_LIBRARY, [&] {
    Require(recording, "recording");
    for (const std::string& text : DescribeRecording(recording)) {
      if (line != nullptr) line(text.c_str(), user);
    }
  });
}

}  // extern "C"
