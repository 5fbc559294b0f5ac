#include "writing/plot_writer.h"

#include <plplot/plplot.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include <unistd.h>

#include "writing/output_file.h"

namespace scopehost {

namespace {

constexpr PLINT kWidthPixels = 1000;
constexpr PLINT kHeightPixels = 600;

// Colour map 0: the background, the frame and text, then one colour per channel.
constexpr PLINT kBackground = 0;
constexpr PLINT kForeground = 1;
constexpr PLINT kFirstTraceColour = 2;
struct Rgb {
  PLINT red, green, blue;
};
constexpr std::array<Rgb, 6> kColours = {{
    {255, 255, 255},  // background
    {0, 0, 0},        // frame and text
    {31, 119, 180},   // blue
    {214, 39, 40},    // red
    {44, 160, 44},    // green
    {255, 127, 14},   // orange
}};

// PLplot ends the process on an error it cannot recover from; it takes the half-written
// plot with it first.
std::string plottingTo;
int RemovePartialPlot(const char*) {
  if (!plottingTo.empty()) unlink(plottingTo.c_str());
  return kOutputFailedExitStatus;
}

bool DeviceAvailable(std::string_view device) {
  // plgDevs fills caller-provided lists and reads their capacity from the count.
  std::array<const char*, 128> menus{};
  std::array<const char*, 128> names{};
  int count = static_cast<int>(names.size());
  const char** menuList = menus.data();
  const char** nameList = names.data();
  plgDevs(&menuList, &nameList, &count);
  return std::any_of(names.begin(), names.begin() + count,
                     [&](const char* name) { return name != nullptr && device == name; });
}

// Time in the unit that keeps its numbers between 1 and 1000.
struct TimeUnit {
  double perSecond;
  const char* name;
};
TimeUnit ReadableTimeUnit(const std::vector<double>& seconds) {
  double largest = 0.0;
  for (double t : seconds) largest = std::max(largest, std::fabs(t));
  if (largest >= 1.0 || largest == 0.0) return {1.0, "s"};
  if (largest >= 1e-3) return {1e3, "ms"};
  if (largest >= 1e-6) return {1e6, "µs"};
  return {1e9, "ns"};
}

struct Range {
  double low, high;
};
// headroom: the share of the span left free above the data, where the legend goes.
Range PaddedRange(double low, double high, double headroom = 0.05) {
  if (!(high > low)) return {low - 1.0, high + 1.0};
  const double span = high - low;
  return {low - span * 0.05, high + span * headroom};
}
Range ValueRange(const std::vector<Trace>& channels, double headroom) {
  double low = INFINITY, high = -INFINITY;
  for (const Trace& channel : channels) {
    const auto [lowest, highest] = std::ranges::minmax(channel.volts);
    low = std::min(low, lowest);
    high = std::max(high, highest);
  }
  return PaddedRange(low, high, headroom);
}

void SetColours() {
  plscmap0n(static_cast<PLINT>(kColours.size()));
  for (size_t k = 0; k < kColours.size(); ++k) {
    plscol0(static_cast<PLINT>(k), kColours[k].red, kColours[k].green, kColours[k].blue);
  }
}

PLINT TraceColour(size_t index) {
  return kFirstTraceColour + static_cast<PLINT>(index % (kColours.size() - kFirstTraceColour));
}

void DrawLegend(const std::vector<Trace>& channels) {
  const auto count = static_cast<PLINT>(channels.size());
  std::vector<PLINT> options(channels.size(), PL_LEGEND_LINE);
  std::vector<PLINT> textColours(channels.size(), kForeground);
  std::vector<PLINT> lineColours, lineStyles(channels.size(), 1);
  std::vector<PLFLT> lineWidths(channels.size(), 2.0);
  std::vector<const char*> texts;
  for (size_t k = 0; k < channels.size(); ++k) {
    lineColours.push_back(TraceColour(k));
    texts.push_back(channels[k].name.c_str());
  }
  PLFLT width = 0.0, height = 0.0;
  pllegend(&width, &height, PL_LEGEND_BACKGROUND | PL_LEGEND_BOUNDING_BOX,
           PL_POSITION_TOP | PL_POSITION_RIGHT | PL_POSITION_INSIDE, 0.01, 0.01, 0.06, kBackground,
           kForeground, 1, 0, 0, count, options.data(), 1.0, 1.0, 1.5, 0.0, textColours.data(),
           texts.data(), nullptr, nullptr, nullptr, nullptr, lineColours.data(), lineStyles.data(),
           lineWidths.data(), nullptr, nullptr, nullptr, nullptr);
}

void Draw(const Waveforms& waveforms) {
  std::vector<double> abscissa = waveforms.abscissaValues;
  std::string abscissaLabel =
      Heading(AbscissaName(waveforms.abscissa), AbscissaUnit(waveforms.abscissa));
  if (waveforms.abscissa == Abscissa::kTime) {
    const TimeUnit unit = ReadableTimeUnit(abscissa);
    for (double& t : abscissa) t *= unit.perSecond;
    abscissaLabel = Heading("time", unit.name);
  }
  const auto [first, last] = std::ranges::minmax(abscissa);
  const Range x = PaddedRange(first, last);
  const bool legend = waveforms.abscissa != Abscissa::kX;
  const Range y = ValueRange(waveforms.channels, legend ? 0.25 : 0.05);
  const std::string valueLabel =
      waveforms.abscissa == Abscissa::kX ? Heading("Y", kVolts) : Heading("voltage", kVolts);

  plcol0(kForeground);
  plenv(x.low, x.high, y.low, y.high, 0, 2);
  pllab(abscissaLabel.c_str(), valueLabel.c_str(), waveforms.deviceName.c_str());
  plwidth(1.5);
  for (size_t k = 0; k < waveforms.channels.size(); ++k) {
    plcol0(TraceColour(k));
    plline(static_cast<PLINT>(abscissa.size()), abscissa.data(),
           waveforms.channels[k].volts.data());
  }
  plwidth(1.0);
  if (legend) DrawLegend(waveforms.channels);
}

}  // namespace

void WritePlot(const Waveforms& waveforms, const std::filesystem::path& path) {
  const std::optional<std::string_view> device = PlotDevice(path);
  if (!device) throw OutputError(path.string() + ": a plot is a .png or .svg file");
  if (!DeviceAvailable(*device)) {
    throw OutputError("cannot draw " + path.string() + ": PLplot has no " + std::string(*device) +
                      " driver (Debian: plplot-driver-cairo)");
  }
  OutputFile file(path);
  plottingTo = file.HandOverPath().string();
  plsexit(&RemovePartialPlot);
  plsdev(std::string(*device).c_str());
  plsfnam(plottingTo.c_str());
  plspage(0.0, 0.0, kWidthPixels, kHeightPixels, 0, 0);
  SetColours();
  plinit();
  Draw(waveforms);
  plend();
  plottingTo.clear();
  file.Commit();
}

}  // namespace scopehost
