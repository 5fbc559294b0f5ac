// scopehost: lists the module's devices, tells their array sizes, and acquires waveforms into
// CSV, SPICE PWL sources, two-column waveform files, a plot and a viewer page, loading the module
// as a simulation host does; records the GPIB calls of a run, replays a recording in place of a
// bench, and prints a recording. The work is the host library's (gpibscope/host_library.h):
// this file parses the command line, calls it and says what happened.
//
// Exit status: 0 success; 1 the module failed (GetTransProperties or GetData, its messages
// printed) or delivered no channel, or a scan found no listener or a failing bus; 2 a usage
// error, including a module, GPIB library, bench or recording that cannot be loaded, an output
// directory that takes no file and a viewer template that cannot be read (found before
// acquiring); 3 an output file that could not be written.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gpibscope/host_library.h"
#include "scopehost/terminal_bar.h"

namespace scopehost {
namespace {

enum ExitStatus : int {
  kSuccess = 0,
  kModuleFailed = 1,
  kUsageError = 2,
  kOutputFailed = 3,
};

int ExitStatusOf(gpibscope_status status) {
  switch (status) {
    case GPIBSCOPE_OK:
    case GPIBSCOPE_ERROR_NO_TIME_AXIS:
      return kSuccess;
    case GPIBSCOPE_ERROR_MODULE:
    case GPIBSCOPE_ERROR_BUS:
      return kModuleFailed;
    case GPIBSCOPE_ERROR_OUTPUT:
    case GPIBSCOPE_ERROR_SIMULATION:  // a reference that fits no channel fails its page
      return kOutputFailed;
    default:
      return kUsageError;
  }
}

// An error the library gave, told as one line; the exit status it calls for.
struct Failure {
  gpibscope_error* error = nullptr;
  ~Failure() { gpibscope_error_free(error); }

  int Tell() const {
    const bool reference = gpibscope_error_status(error) == GPIBSCOPE_ERROR_SIMULATION;
    PrintMessage(std::string(reference ? "--reference " : "") + gpibscope_error_text(error));
    return ExitStatusOf(gpibscope_error_status(error));
  }
};

struct Outputs {
  std::string csv;
  std::string pwlDirectory;
  std::string waveDirectory;
  std::string plot;
  std::string html;
  // The page's references, read before anything is acquired.
  std::unique_ptr<gpibscope_page_options, void (*)(gpibscope_page_options*)> page{
      gpibscope_page_options_new(), gpibscope_page_options_free};
};

// An acquisition cannot be repeated once the instrument moved on, so every output must have
// somewhere to go, and what it is made from, before anything is acquired. The first that has
// not, as one line.
std::optional<std::string> UnwritableOutput(const Outputs& outputs) {
  const struct {
    const char* option;
    const std::string& value;
    gpibscope_output kind;
  } checks[] = {
      {"--csv", outputs.csv, GPIBSCOPE_OUTPUT_FILE},
      {"--pwl", outputs.pwlDirectory, GPIBSCOPE_OUTPUT_DIRECTORY},
      {"--wave", outputs.waveDirectory, GPIBSCOPE_OUTPUT_DIRECTORY},
      {"--plot", outputs.plot, GPIBSCOPE_OUTPUT_FILE},
      {"--html", outputs.html, GPIBSCOPE_OUTPUT_PAGE},
  };
  for (const auto& check : checks) {
    Failure failure;
    if (check.value.empty() ||
        gpibscope_output_fits(check.kind, check.value.c_str(), &failure.error) == GPIBSCOPE_OK) {
      continue;
    }
    return std::string(check.option) + " " + check.value + ": " +
           gpibscope_error_text(failure.error) + "; nothing acquired";
  }
  return std::nullopt;
}

void PrintModuleMessage(const char* text, void*) {
  PrintMessage(text);
}

void PrintLine(const char* text, void*) {
  std::puts(text);
}

void Report(const char* path, void*) {
  std::printf("wrote %s\n", path);
}

#ifdef _WIN32
constexpr const char* kGpibLibraryFileName = "gpib-32.dll";
#else
constexpr const char* kGpibLibraryFileName = "libgpib-32.so";
#endif

// Said after the module failed when the loader's search, which the module relies on, finds no
// GPIB library.
void HintWhenNoGpibLibrary(gpibscope_session* session) {
  if (gpibscope_session_gpib_absence(session) != nullptr) {
    PrintMessage(std::string("no GPIB library (") + kGpibLibraryFileName +
                 ") found: add --sim for the simulated bench, or --gpib "
                 "linux-gpib|prologix|vxi11|PATH for a real one");
  }
}

int ListDevices(gpibscope_session* session) {
  for (int32_t type = 0; gpibscope_device_short_name(type) != nullptr; ++type) {
    Failure failure;
    const char* name = nullptr;
    if (gpibscope_session_device_name(session, type, &name, &failure.error) != GPIBSCOPE_OK) {
      return failure.Tell();
    }
    std::printf("%d  %-10s %s\n", type, gpibscope_device_short_name(type), name);
  }
  return kSuccess;
}

int ShowProperties(gpibscope_session* session, int32_t type) {
  Failure failure;
  int32_t points = 0;
  int16_t arrays = 0;
  const char* name = nullptr;
  if (gpibscope_session_sizes(session, type, &points, &arrays, &failure.error) != GPIBSCOPE_OK ||
      gpibscope_session_device_name(session, type, &name, &failure.error) != GPIBSCOPE_OK) {
    return failure.Tell();
  }
  std::printf("device: %s\npoints per channel: %d\narrays: %d (time axis and %d channels)\n", name,
              points, arrays, arrays - 1);
  return kSuccess;
}

std::string ChannelNames(const gpibscope_acquisition* acquisition) {
  std::string names;
  for (size_t k = 0; k < gpibscope_acquisition_channels(acquisition); ++k) {
    names += std::string(" ") + gpibscope_acquisition_channel_name(acquisition, k);
  }
  return names;
}

// Simulation files are read before anything is acquired, so a bad one costs no acquisition.
bool LoadReferences(const std::vector<std::string>& arguments, Outputs& outputs) {
  if (!arguments.empty() && outputs.html.empty()) {
    PrintMessage("--reference compares on the viewer page: add --html FILE");
    return false;
  }
  for (const std::string& argument : arguments) {
    Failure failure;
    if (gpibscope_page_options_add_reference(outputs.page.get(), argument.c_str(),
                                             &failure.error) != GPIBSCOPE_OK) {
      PrintMessage(std::string("--reference ") + gpibscope_error_text(failure.error) +
                   "; nothing acquired");
      return false;
    }
  }
  return true;
}

// Each requested file is written whole or not at all; one that fails does not stop the rest.
int WriteOutputs(const gpibscope_acquisition* acquisition, const Outputs& outputs) {
  int status = kSuccess;
  const auto attempt = [&status](const std::string& target, auto&& write) {
    if (target.empty()) return;
    Failure failure;
    if (write(target.c_str(), &failure.error) != GPIBSCOPE_OK) {
      status = std::max(status, failure.Tell());
    }
  };
  const auto file = [&](auto writer) {
    return [acquisition, writer](const char* path, gpibscope_error** error) {
      const gpibscope_status written = writer(acquisition, path, error);
      if (written == GPIBSCOPE_OK) Report(path, nullptr);
      return written;
    };
  };
  const auto directory = [&](auto writer) {
    return [acquisition, writer](const char* path, gpibscope_error** error) {
      return writer(acquisition, path, &Report, nullptr, error);
    };
  };
  attempt(outputs.csv, file(gpibscope_write_csv));
  attempt(outputs.pwlDirectory, directory(gpibscope_write_pwl));
  attempt(outputs.waveDirectory, directory(gpibscope_write_wave));
  attempt(outputs.plot, file(gpibscope_write_plot));
  const gpibscope_page_options* page = outputs.page.get();
  attempt(outputs.html,
          file([page](const gpibscope_acquisition* a, const char* path, gpibscope_error** error) {
            return gpibscope_write_page(a, page, path, error);
          }));
  return status;
}

void MoveBar(int position, int steps, void* bar) {
  static_cast<TerminalBar*>(bar)->MovedTo(position, steps);
}

int AcquireAndWrite(gpibscope_session* session, int32_t type, const Outputs& outputs) {
  Failure failure;
  gpibscope_acquisition* acquired = nullptr;
  gpibscope_status status = GPIBSCOPE_OK;
  {
    TerminalBar bar;
    status = gpibscope_session_acquire(session, type, &MoveBar, &bar, &acquired, &failure.error);
  }
  if (status != GPIBSCOPE_OK) return failure.Tell();
  const std::unique_ptr<gpibscope_acquisition, void (*)(gpibscope_acquisition*)> acquisition(
      acquired, gpibscope_acquisition_free);
  const char* name = gpibscope_acquisition_device_name(acquired);
  if (gpibscope_acquisition_channels(acquired) == 0 ||
      gpibscope_acquisition_points(acquired) == 0) {
    PrintMessage(std::string(name) + " delivered no channel");
    return kModuleFailed;
  }
  std::printf("%s: %zu points,%s, %.2f s\n", name, gpibscope_acquisition_points(acquired),
              ChannelNames(acquired).c_str(), gpibscope_acquisition_duration(acquired));
  return WriteOutputs(acquired, outputs);
}

int Scan(gpibscope_session* session) {
  Failure failure;
  gpibscope_listeners* listeners = nullptr;
  if (gpibscope_session_scan(session, &listeners, &failure.error) != GPIBSCOPE_OK) {
    return failure.Tell();
  }
  std::fputs(gpibscope_listeners_table(listeners), stdout);
  const bool none = gpibscope_listeners_count(listeners) == 0;
  gpibscope_listeners_free(listeners);
  return none ? kModuleFailed : kSuccess;
}

int Run(int argc, char** argv) {
  CLI::App app{"scopehost: acquires waveforms from bench oscilloscopes through libgpibscope.so"};
  app.fallthrough();
  app.require_subcommand(1);
  std::string modulePath = gpibscope_default_module();
  app.add_option("--module", modulePath, "the driver module to load")->capture_default_str();
  std::string bench;
  CLI::Option* sim = app.add_option("--sim", bench,
                                    "use the simulated GPIB library; BENCH, a TOML file or the "
                                    "name of a shipped bench, replaces its bench (else "
                                    "GPIBSIM_BENCH or the default)")
                         ->expected(0, 1)
                         ->type_name("[BENCH]");
  std::string gpibChoice;
  CLI::Option* gpib =
      app.add_option("--gpib", gpibChoice,
                     "the GPIB library to load before the module: sim, linux-gpib, prologix "
                     "or vxi11 (the bridges built beside scopehost), or a path")
          ->type_name("sim|linux-gpib|prologix|vxi11|PATH")
          ->excludes(sim);

  std::string tracePath;
  CLI::Option* trace =
      app.add_option("--trace", tracePath,
                     "record every GPIB call into FILE, through the library --gpib or --sim "
                     "chose")
          ->type_name("FILE");
  std::string replayPath;
  app.add_option("--replay", replayPath,
                 "answer the GPIB calls from the recording FILE, with no GPIB library")
      ->type_name("FILE")
      ->excludes(sim)
      ->excludes(gpib)
      ->excludes(trace);

  CLI::App* devices = app.add_subcommand("devices", "list the device types");
  CLI::App* printTrace = app.add_subcommand("trace", "print a recording, one line a call");
  std::string printedRecording;
  printTrace->add_option("FILE", printedRecording, "the recording")->required();
  std::string deviceName;
  const std::string deviceHelp = "a device type 0 to 3 or hameg1, hameg2, tektronix, philips";
  CLI::App* scan =
      app.add_subcommand("scan", "the listeners on board 0 and their answers to *IDN?");
  CLI::App* props = app.add_subcommand("props", "points per channel and arrays of a device");
  props->add_option("DEVICE", deviceName, deviceHelp)->required();
  CLI::App* acquire = app.add_subcommand("acquire", "acquire and write the waveforms");
  acquire->add_option("DEVICE", deviceName, deviceHelp)->required();
  for (CLI::App* command : {props, acquire}) {
    command->footer(
        "--sim [BENCH], --gpib LIBRARY, --trace FILE, --replay FILE and --module PATH "
        "(scopehost --help) may follow DEVICE.");
  }
  Outputs outputs;
  acquire->add_option("--csv", outputs.csv, "CSV file to write");
  acquire->add_option("--pwl", outputs.pwlDirectory, "directory for one SPICE PWL file a channel");
  acquire->add_option("--wave", outputs.waveDirectory,
                      "directory for one two-column (time, volts) file a channel");
  acquire->add_option("--plot", outputs.plot, "plot to draw: a .png or .svg file");
  acquire->add_option("--html", outputs.html,
                      "HTML page to write: the waveforms in an interactive viewer, self-contained");
  std::vector<std::string> referenceArguments;
  acquire->add_option("--reference", referenceArguments,
                      "simulation to compare on the --html page: RAWFILE[:VECTOR=CHANNEL,...] "
                      "(ngspice or LTspice raw file, or a two-column waveform file)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? kSuccess : kUsageError;
  }

  if (trace->count() > 0 && sim->count() == 0 && gpib->count() == 0) {
    PrintMessage("--trace needs the GPIB library to record: --gpib or --sim");
    return kUsageError;
  }
  int32_t device = -1;
  if (props->parsed() || acquire->parsed()) {
    device = gpibscope_find_device(deviceName.c_str());
    if (device < 0) {
      PrintMessage("unknown device \"" + deviceName + "\" (" + deviceHelp + ")");
      return kUsageError;
    }
  }
  if (!outputs.plot.empty() && gpibscope_plot_file_supported(outputs.plot.c_str()) == 0) {
    PrintMessage("cannot draw " + outputs.plot + ": a plot is a .png or .svg file");
    return kUsageError;
  }
  if (!LoadReferences(referenceArguments, outputs)) return kUsageError;
  if (const auto unwritable = UnwritableOutput(outputs)) {
    PrintMessage(*unwritable);
    return kUsageError;
  }

  if (printTrace->parsed()) {
    Failure failure;
    if (gpibscope_describe_recording(printedRecording.c_str(), &PrintLine, nullptr,
                                     &failure.error) != GPIBSCOPE_OK) {
      return failure.Tell();
    }
    return kSuccess;
  }
  const std::unique_ptr<gpibscope_session_options, void (*)(gpibscope_session_options*)> options(
      gpibscope_session_options_new(), gpibscope_session_options_free);
  const bool chosen = sim->count() > 0 || gpib->count() > 0;
  if (chosen)
    gpibscope_session_options_set_gpib(options.get(),
                                       sim->count() > 0 ? "sim" : gpibChoice.c_str());
  if (!bench.empty()) gpibscope_session_options_set_bench(options.get(), bench.c_str());
  if (!tracePath.empty()) gpibscope_session_options_set_trace(options.get(), tracePath.c_str());
  if (!replayPath.empty()) gpibscope_session_options_set_replay(options.get(), replayPath.c_str());
  gpibscope_session_options_set_module(options.get(), modulePath.c_str());
  gpibscope_session_options_set_messages(options.get(), &PrintModuleMessage, nullptr);

  Failure failure;
  gpibscope_session* opened = nullptr;
  if (gpibscope_session_open(options.get(), &opened, &failure.error) != GPIBSCOPE_OK) {
    return failure.Tell();
  }
  const std::unique_ptr<gpibscope_session, void (*)(gpibscope_session*)> session(
      opened, gpibscope_session_close);
  if (scan->parsed()) return Scan(opened);
  if (devices->parsed()) return ListDevices(opened);
  const int status =
      props->parsed() ? ShowProperties(opened, device) : AcquireAndWrite(opened, device, outputs);
  if (status == kModuleFailed && !chosen && replayPath.empty()) HintWhenNoGpibLibrary(opened);
  return status;
}

}  // namespace
}  // namespace scopehost

int main(int argc, char** argv) {
  return scopehost::Run(argc, argv);
}
