// Acquisitions of the C interface: read through accessors, made from a host's own data, and
// written as the host library's files and pages.
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "acquiring/delivery.h"
#include "interface/errors.h"
#include "interface/session.h"
#include "loading/companions.h"
#include "simulation/reference.h"
#include "writing/csv_writer.h"
#include "writing/html_writer.h"
#include "writing/output_file.h"
#include "writing/plot_writer.h"
#include "writing/pwl_writer.h"

using namespace scopehost;

struct gpibscope_page_options {
  std::optional<std::filesystem::path> viewerTemplate;
  std::vector<ReferenceSource> references;  // read when added, matched when the page is made
};

namespace {

const Waveforms& Of(const gpibscope_acquisition* acquisition) {
  Require(acquisition, "acquisition");
  return acquisition->waveforms;
}

std::filesystem::path TemplateOf(const gpibscope_page_options* options) {
  if (options != nullptr && options->viewerTemplate) return *options->viewerTemplate;
  return OwnCompanions().ViewerTemplate();
}

std::vector<Reference> ReferencesOf(const gpibscope_page_options* options,
                                    const Waveforms& waveforms) {
  if (options == nullptr) return {};
  return MatchReferences(options->references, waveforms);
}

using ChannelFiles = std::vector<std::filesystem::path> (*)(const Waveforms&,
                                                            const std::filesystem::path&);

gpibscope_status WriteChannelFiles(const gpibscope_acquisition* acquisition, const char* directory,
                                   const char* kind, ChannelFiles write, gpibscope_text_fn written,
                                   void* user, gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_OUTPUT, [&] {
    const Waveforms& waveforms = Of(acquisition);
    Require(directory, "directory");
    if (const auto why = WhyNoPwl(waveforms)) {
      throw HostError(GPIBSCOPE_ERROR_NO_TIME_AXIS, std::string("no ") + kind + " files: " + *why);
    }
    for (const std::filesystem::path& path : write(waveforms, directory)) {
      if (written != nullptr) written(path.string().c_str(), user);
    }
  });
}

Abscissa AbscissaNamed(std::string_view name) {
  for (const Abscissa kind : {Abscissa::kTime, Abscissa::kX, Abscissa::kSampleIndex}) {
    if (name == AbscissaName(kind)) return kind;
  }
  throw HostError(GPIBSCOPE_ERROR_ARGUMENT,
                  "the first column is the abscissa, time, X or sample, not " + std::string(name));
}

// The first column is the abscissa; every later one a channel of as many values.
void AddColumn(gpibscope_acquisition& acquisition, std::string_view name, const double* values,
               size_t count) {
  Waveforms& waveforms = acquisition.waveforms;
  if (!acquisition.hasAbscissa) {
    waveforms.abscissa = AbscissaNamed(name);
    waveforms.abscissaValues.assign(values, values + count);
    acquisition.hasAbscissa = true;
    return;
  }
  if (count != waveforms.points()) {
    throw HostError(GPIBSCOPE_ERROR_ARGUMENT,
                    "column " + std::string(name) + " has " + std::to_string(count) +
                        " values where the abscissa has " + std::to_string(waveforms.points()));
  }
  waveforms.channels.push_back({std::string(name), std::vector<double>(values, values + count)});
}

}  // namespace

extern "C" {

gpibscope_acquisition* gpibscope_acquisition_new(const char* device_name, int32_t type,
                                                 int64_t acquired_at, double duration) {
  auto* acquisition = new (std::nothrow) gpibscope_acquisition;
  if (acquisition == nullptr) return nullptr;
  acquisition->hasAbscissa = false;
  Waveforms& waveforms = acquisition->waveforms;
  waveforms.type = type;
  waveforms.deviceName = device_name != nullptr ? device_name : "";
  waveforms.acquiredAt = std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::microseconds(acquired_at)));
  waveforms.durationSeconds = duration;
  return acquisition;
}

gpibscope_status gpibscope_acquisition_add_column(gpibscope_acquisition* acquisition,
                                                  const char* name, const double* values,
                                                  size_t count, gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_ARGUMENT, [&] {
    Require(acquisition, "acquisition");
    Require(name, "column name");
    if (count > 0) Require(values, "values");
    AddColumn(*acquisition, name, values, count);
  });
}

void gpibscope_acquisition_free(gpibscope_acquisition* acquisition) {
  delete acquisition;
}

const char* gpibscope_acquisition_device_name(const gpibscope_acquisition* a) {
  return a != nullptr ? a->waveforms.deviceName.c_str() : "";
}

int32_t gpibscope_acquisition_device_type(const gpibscope_acquisition* a) {
  return a != nullptr ? a->waveforms.type : -1;
}

gpibscope_abscissa gpibscope_acquisition_abscissa(const gpibscope_acquisition* a) {
  return a != nullptr ? static_cast<gpibscope_abscissa>(a->waveforms.abscissa)
                      : GPIBSCOPE_ABSCISSA_SAMPLE;
}

size_t gpibscope_acquisition_points(const gpibscope_acquisition* a) {
  return a != nullptr ? a->waveforms.points() : 0;
}

const double* gpibscope_acquisition_abscissa_values(const gpibscope_acquisition* a) {
  return a != nullptr ? a->waveforms.abscissaValues.data() : nullptr;
}

int gpibscope_acquisition_xy(const gpibscope_acquisition* a) {
  return a != nullptr && InXYMode(a->waveforms) ? 1 : 0;
}

size_t gpibscope_acquisition_channels(const gpibscope_acquisition* a) {
  return a != nullptr ? a->waveforms.channels.size() : 0;
}

const char* gpibscope_acquisition_channel_name(const gpibscope_acquisition* a, size_t channel) {
  if (a == nullptr || channel >= a->waveforms.channels.size()) return nullptr;
  return a->waveforms.channels[channel].name.c_str();
}

const double* gpibscope_acquisition_channel_values(const gpibscope_acquisition* a, size_t channel) {
  if (a == nullptr || channel >= a->waveforms.channels.size()) return nullptr;
  return a->waveforms.channels[channel].volts.data();
}

size_t gpibscope_acquisition_columns(const gpibscope_acquisition* a) {
  return a != nullptr && a->hasAbscissa ? 1 + a->waveforms.channels.size() : 0;
}

const char* gpibscope_acquisition_column_name(const gpibscope_acquisition* a, size_t column) {
  if (column == 0 && gpibscope_acquisition_columns(a) > 0) {
    return AbscissaName(a->waveforms.abscissa);
  }
  return gpibscope_acquisition_channel_name(a, column - 1);
}

const double* gpibscope_acquisition_column_values(const gpibscope_acquisition* a, size_t column) {
  if (column == 0 && gpibscope_acquisition_columns(a) > 0) {
    return a->waveforms.abscissaValues.data();
  }
  return gpibscope_acquisition_channel_values(a, column - 1);
}

int64_t gpibscope_acquisition_acquired_at(const gpibscope_acquisition* a) {
  if (a == nullptr) return 0;
  return std::chrono::duration_cast<std::chrono::microseconds>(
             a->waveforms.acquiredAt.time_since_epoch())
      .count();
}

double gpibscope_acquisition_duration(const gpibscope_acquisition* a) {
  return a != nullptr ? a->waveforms.durationSeconds : 0.0;
}

gpibscope_status gpibscope_output_fits(gpibscope_output kind, const char* path,
                                       gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_OUTPUT, [&] {
    Require(path, "path");
    const std::filesystem::path directory =
        kind == GPIBSCOPE_OUTPUT_DIRECTORY ? NearestExisting(path) : DirectoryOf(path);
    if (const auto why = WhyNoFileFitsIn(directory)) {
      throw OutputError("cannot write into " + directory.string() + ": " + *why);
    }
    // An installation may lack the viewer's template: found now, not after acquiring.
    if (kind == GPIBSCOPE_OUTPUT_PAGE) RequireReadableTemplate(TemplateOf(nullptr));
  });
}

gpibscope_status gpibscope_write_csv(const gpibscope_acquisition* a, const char* path,
                                     gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_OUTPUT, [&] {
    Require(path, "path");
    WriteCsv(Of(a), path);
  });
}

gpibscope_status gpibscope_write_pwl(const gpibscope_acquisition* a, const char* directory,
                                     gpibscope_text_fn written, void* user,
                                     gpibscope_error** error) {
  return WriteChannelFiles(a, directory, "PWL", &WritePwl, written, user, error);
}

gpibscope_status gpibscope_write_wave(const gpibscope_acquisition* a, const char* directory,
                                      gpibscope_text_fn written, void* user,
                                      gpibscope_error** error) {
  return WriteChannelFiles(a, directory, "waveform", &WriteWaveFiles, written, user, error);
}

int gpibscope_plot_file_supported(const char* path) {
  return path != nullptr && PlotDevice(path).has_value() ? 1 : 0;
}

gpibscope_status gpibscope_write_plot(const gpibscope_acquisition* a, const char* path,
                                      gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_OUTPUT, [&] {
    Require(path, "path");
    if (!PlotDevice(path)) {
      throw HostError(GPIBSCOPE_ERROR_ARGUMENT,
                      std::string("cannot draw ") + path + ": a plot is a .png or .svg file");
    }
    WritePlot(Of(a), path);
  });
}

gpibscope_page_options* gpibscope_page_options_new(void) {
  return new (std::nothrow) gpibscope_page_options;
}

void gpibscope_page_options_free(gpibscope_page_options* options) {
  delete options;
}

void gpibscope_page_options_set_template(gpibscope_page_options* options, const char* path) {
  if (options == nullptr) return;
  options->viewerTemplate =
      path != nullptr ? std::make_optional<std::filesystem::path>(path) : std::nullopt;
}

gpibscope_status gpibscope_page_options_add_reference(gpibscope_page_options* options,
                                                      const char* source, gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_ARGUMENT, [&] {
    Require(options, "page options");
    Require(source, "reference");
    options->references.push_back(LoadReferenceSource(source));
  });
}

gpibscope_status gpibscope_write_page(const gpibscope_acquisition* a,
                                      const gpibscope_page_options* options, const char* path,
                                      gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_OUTPUT, [&] {
    Require(path, "path");
    const Waveforms& waveforms = Of(a);
    WriteHtml(waveforms, TemplateOf(options), path, ReferencesOf(options, waveforms));
  });
}

gpibscope_status gpibscope_render_page(const gpibscope_acquisition* a,
                                       const gpibscope_page_options* options, char** page,
                                       gpibscope_error** error) {
  return Guarded(error, GPIBSCOPE_ERROR_OUTPUT, [&] {
    Require(page, "place for the page");
    *page = nullptr;
    const Waveforms& waveforms = Of(a);
    const std::string text = Page(waveforms, TemplateOf(options), ReferencesOf(options, waveforms));
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr) throw std::bad_alloc();
    std::memcpy(copy, text.c_str(), text.size() + 1);
    *page = copy;
  });
}

}  // extern "C"
