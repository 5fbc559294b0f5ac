// scopehost: lists the module's devices, tells their array sizes, and acquires waveforms into
// CSV, SPICE PWL sources, two-column waveform files, a plot and a viewer page, loading the module
// as a simulation host does; records the GPIB calls of a run, replays a recording in place of a
// bench, and prints a recording.
//
// Exit status: 0 success; 1 the module failed (GetTransProperties or GetData, its messages
// printed) or delivered no channel, or a scan found no listener or a failing bus; 2 a usage
// error, including a module, GPIB library, bench or recording that cannot be loaded and an
// output directory that takes no file (found before acquiring); 3 an output file that could not
// be written.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "acquiring/acquisition.h"
#include "acquiring/device_names.h"
#include "acquiring/host_messages.h"
#include "loading/companions.h"
#include "loading/gpib_library.h"
#include "loading/module_loader.h"
#include "loading/recording.h"
#include "scanning/bus_scan.h"
#include "simulation/reference.h"
#include "writing/csv_writer.h"
#include "writing/html_writer.h"
#include "writing/output_file.h"
#include "writing/plot_writer.h"
#include "writing/pwl_writer.h"

namespace scopehost {
namespace {

enum ExitStatus : int {
  kSuccess = 0,
  kModuleFailed = 1,
  kUsageError = 2,
  kOutputFailed = kOutputFailedExitStatus,
};

struct Outputs {
  std::string csv;
  std::string pwlDirectory;
  std::string waveDirectory;
  std::string plot;
  std::string html;
  std::vector<ReferenceSource> references;  // simulations to compare on the page
};

// The directory a file output goes into.
std::filesystem::path DirectoryOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// A PWL or waveform directory is made when missing: its nearest existing ancestor takes it.
std::filesystem::path NearestExisting(const std::filesystem::path& made) {
  std::filesystem::path directory = made;
  std::error_code error;
  while (!std::filesystem::exists(directory, error) && directory.has_parent_path() &&
         directory != directory.parent_path()) {
    directory = directory.parent_path();
  }
  return std::filesystem::exists(directory, error) ? directory : std::filesystem::path(".");
}

// An acquisition cannot be repeated once the instrument moved on, so every output must have
// somewhere to go before anything is acquired. The first that has not, as one line.
std::optional<std::string> UnwritableOutput(const Outputs& outputs) {
  const struct {
    const char* option;
    const std::string& value;
    std::filesystem::path (*directoryOf)(const std::filesystem::path&);
  } checks[] = {
      {"--csv", outputs.csv, DirectoryOf},
      {"--pwl", outputs.pwlDirectory, NearestExisting},
      {"--wave", outputs.waveDirectory, NearestExisting},
      {"--plot", outputs.plot, DirectoryOf},
      {"--html", outputs.html, DirectoryOf},
  };
  for (const auto& check : checks) {
    if (check.value.empty()) continue;
    const std::filesystem::path directory = check.directoryOf(check.value);
    if (const auto why = WhyNoFileFitsIn(directory)) {
      return std::string(check.option) + " " + check.value + ": cannot write into " +
             directory.string() + ": " + *why + "; nothing acquired";
    }
  }
  return std::nullopt;
}

// Said after the module failed when the loader's search, which the module relies on, finds no
// GPIB library.
void HintWhenNoGpibLibrary() {
  try {
    const SharedLibrary found(kGpibLibraryFileName);
  } catch (const LoadError&) {
    PrintMessage(std::string("no GPIB library (") + kGpibLibraryFileName +
                 ") found: add --sim for the simulated bench, or --gpib "
                 "linux-gpib|prologix|PATH for a real one");
  }
}

int ListDevices(const DriverModule& module) {
  for (const DeviceKind& device : kDeviceKinds) {
    std::printf("%d  %-10s %s\n", device.type, std::string(device.shortName).c_str(),
                module.DisplayName(device.type).c_str());
  }
  return kSuccess;
}

// The module hears the host's callback first, so that a Philips probe can say what failed.
std::optional<ArraySizes> ArraySizesOf(const DriverModule& module, const DeviceKind& device) {
  HandCallbackToModule(module);
  std::optional<ArraySizes> sizes = AskArraySizes(module, device.type);
  if (!sizes) PrintMessage("no array sizes for " + module.DisplayName(device.type));
  return sizes;
}

int ShowProperties(const DriverModule& module, const DeviceKind& device) {
  const std::optional<ArraySizes> sizes = ArraySizesOf(module, device);
  if (!sizes) return kModuleFailed;
  std::printf("device: %s\npoints per channel: %d\narrays: %d (time axis and %d channels)\n",
              module.DisplayName(device.type).c_str(), sizes->points, sizes->arrays,
              sizes->arrays - 1);
  return kSuccess;
}

std::string ChannelNames(const Waveforms& waveforms) {
  std::string names;
  for (const Trace& channel : waveforms.channels) names += " " + channel.name;
  return names;
}

void Report(const std::filesystem::path& path) {
  std::printf("wrote %s\n", path.string().c_str());
}

// The simulations matched to the channels; a mismatch fails the page like any output fault.
std::vector<Reference> ComparedReferences(const std::vector<ReferenceSource>& sources,
                                          const Waveforms& waveforms) {
  try {
    return MatchReferences(sources, waveforms);
  } catch (const SimulationError& error) {
    throw OutputError(std::string("--reference ") + error.what());
  }
}

// Simulation files are read before anything is acquired, so a bad one costs no acquisition.
bool LoadReferences(const std::vector<std::string>& arguments, Outputs& outputs) {
  if (!arguments.empty() && outputs.html.empty()) {
    PrintMessage("--reference compares on the viewer page: add --html FILE");
    return false;
  }
  try {
    for (const std::string& argument : arguments)
      outputs.references.push_back(LoadReferenceSource(argument));
  } catch (const SimulationError& error) {
    PrintMessage(std::string("--reference ") + error.what() + "; nothing acquired");
    return false;
  }
  return true;
}

// Each requested file is written whole or not at all; one that fails does not stop the rest.
int WriteOutputs(const Waveforms& waveforms, const Outputs& outputs) {
  int status = kSuccess;
  const auto attempt = [&status](auto&& write) {
    try {
      write();
    } catch (const OutputError& error) {
      PrintMessage(error.what());
      status = kOutputFailed;
    }
  };
  if (!outputs.csv.empty()) {
    attempt([&] {
      WriteCsv(waveforms, outputs.csv);
      Report(outputs.csv);
    });
  }
  const std::optional<std::string> noTimeAxis = WhyNoPwl(waveforms);
  const auto writePwlData = [&](const std::string& directory, const char* kind, auto&& write) {
    if (directory.empty()) return;
    if (noTimeAxis) {
      PrintMessage(std::string("no ") + kind + " files: " + *noTimeAxis);
      return;
    }
    attempt([&] {
      for (const auto& path : write(waveforms, directory)) Report(path);
    });
  };
  writePwlData(outputs.pwlDirectory, "PWL", WritePwl);
  writePwlData(outputs.waveDirectory, "waveform", WriteWaveFiles);
  if (!outputs.plot.empty()) {
    attempt([&] {
      WritePlot(waveforms, outputs.plot);
      Report(outputs.plot);
    });
  }
  if (!outputs.html.empty()) {
    attempt([&] {
      WriteHtml(waveforms, OwnCompanions().ViewerTemplate(), outputs.html,
                ComparedReferences(outputs.references, waveforms));
      Report(outputs.html);
    });
  }
  return status;
}

int AcquireAndWrite(const DriverModule& module, const DeviceKind& device, const Outputs& outputs) {
  const std::optional<ArraySizes> sizes = ArraySizesOf(module, device);
  if (!sizes) return kModuleFailed;
  const std::optional<Waveforms> waveforms = Acquire(module, device, *sizes);
  if (!waveforms) {
    PrintMessage("no waveforms from " + module.DisplayName(device.type));
    return kModuleFailed;
  }
  if (waveforms->channels.empty() || waveforms->points() == 0) {
    PrintMessage(waveforms->deviceName + " delivered no channel");
    return kModuleFailed;
  }
  std::printf("%s: %zu points,%s, %.2f s\n", waveforms->deviceName.c_str(), waveforms->points(),
              ChannelNames(*waveforms).c_str(), waveforms->durationSeconds);
  return WriteOutputs(*waveforms, outputs);
}

// The library search's GPIB library unless --gpib or --sim chose one.
int Scan(const std::optional<SharedLibrary>& chosen) {
  const std::optional<SharedLibrary> found =
      chosen ? std::nullopt : std::make_optional<SharedLibrary>(kGpibLibraryFileName);
  try {
    const std::vector<Listener> listeners = ScanBus(chosen ? *chosen : *found);
    std::fputs(ListenerTable(listeners).c_str(), stdout);
    return listeners.empty() ? kModuleFailed : kSuccess;
  } catch (const ScanError& error) {
    PrintMessage(error.what());
    return kModuleFailed;
  }
}

int Run(int argc, char** argv) {
  CLI::App app{"scopehost: acquires waveforms from bench oscilloscopes through libgpibscope.so"};
  app.fallthrough();
  app.require_subcommand(1);
  std::string modulePath = OwnCompanions().Module().string();
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
                     "the GPIB library to load before the module: sim, linux-gpib or prologix "
                     "(the bridges built beside scopehost), or a path")
          ->type_name("sim|linux-gpib|prologix|PATH")
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
  std::optional<DeviceKind> device;
  if (props->parsed() || acquire->parsed()) {
    device = FindDevice(deviceName);
    if (!device) {
      PrintMessage("unknown device \"" + deviceName + "\" (" + deviceHelp + ")");
      return kUsageError;
    }
  }
  if (!outputs.plot.empty() && !PlotDevice(outputs.plot)) {
    PrintMessage("cannot draw " + outputs.plot + ": a plot is a .png or .svg file");
    return kUsageError;
  }
  if (!LoadReferences(referenceArguments, outputs)) return kUsageError;
  if (const auto unwritable = UnwritableOutput(outputs)) {
    PrintMessage(*unwritable);
    return kUsageError;
  }

  try {
    if (printTrace->parsed()) {
      PrintRecording(printedRecording);
      return kSuccess;
    }
    // The recorder or the replay is loaded first: the module's calls reach it.
    std::optional<SharedLibrary> front;
    if (!replayPath.empty()) LoadReplay(front, replayPath);
    std::optional<SharedLibrary> gpibLibrary;
    if (sim->count() > 0 || gpib->count() > 0) {
      const std::string choice = sim->count() > 0 ? "sim" : gpibChoice;
      if (!tracePath.empty()) LoadRecorder(front, tracePath, GpibLibraryPath(choice));
      std::optional<std::filesystem::path> benchFile;
      if (!bench.empty()) benchFile = ResolveBench(bench, OwnCompanions());
      LoadGpibLibrary(gpibLibrary, choice, benchFile);
    }
    if (scan->parsed()) return Scan(front ? front : gpibLibrary);
    const DriverModule module(modulePath);
    if (devices->parsed()) return ListDevices(module);
    const int status = props->parsed() ? ShowProperties(module, *device)
                                       : AcquireAndWrite(module, *device, outputs);
    if (status == kModuleFailed && !gpibLibrary && !front) HintWhenNoGpibLibrary();
    return status;
  } catch (const LoadError& error) {
    PrintMessage(error.what());
    return kUsageError;
  }
}

}  // namespace
}  // namespace scopehost

int main(int argc, char** argv) {
  return scopehost::Run(argc, argv);
}
