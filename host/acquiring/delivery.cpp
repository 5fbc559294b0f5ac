// The count variables alone do not tell which arrays hold data: the Hameg puts its only
// channel into array 1 whichever it is, the Tektronix fills array k only for the channels
// switched on, and the Philips writes neither count. So the host reads the arrays
// themselves, all set to NaN before the call:
//  - points: the count the module wrote, or the capacity where it wrote none, and never more
//    than the capacity;
//  - an array was delivered when any of those points is no longer NaN;
//  - every column ends where the shortest delivered array stops being written, so no row
//    holds a value the module did not write.
// Array 0 that is not delivered leaves the samples numbered. Whether a Hameg's array 0 is X
// follows the rule gpibscope/host.h gives.
#include "acquiring/delivery.h"

#include <algorithm>
#include <numeric>
#include <span>
#include <string>

#include "acquiring/device_names.h"

namespace scopehost {

namespace {

constexpr int16_t kXYArrays = 2;
constexpr int32_t kXYBothChannelsPoints = 2048;

bool StrictlyMonotonic(std::span<const double> values) {
  return std::ranges::adjacent_find(values, std::greater_equal<>()) == values.end() ||
         std::ranges::adjacent_find(values, std::less_equal<>()) == values.end();
}

// The Hameg's time axis is a running sum of one increment from 0 s: strictly monotonic, or
// all zero for a time base that reads as zero. Its X signal is 8-bit samples, at most 256
// values over 4096 points, so never strictly monotonic.
bool IsHamegXY(ReportedCounts reported, std::span<const double> array0) {
  if (reported.arrays != kXYArrays) return false;
  if (reported.points == kXYBothChannelsPoints) return true;
  const bool allZero = std::ranges::all_of(array0, [](double value) { return value == 0.0; });
  return !allZero && !StrictlyMonotonic(array0);
}

size_t PointsToRead(const HostArrays& arrays, int32_t reportedPoints) {
  if (reportedPoints == ReportedCounts::kNotWritten) return arrays.capacity();
  return std::min(static_cast<size_t>(std::max(reportedPoints, 0)), arrays.capacity());
}

std::vector<double> Copy(std::span<const double> values, size_t points) {
  return {values.begin(), values.begin() + static_cast<std::ptrdiff_t>(points)};
}

}  // namespace

bool InXYMode(const Waveforms& waveforms) {
  return waveforms.abscissa == Abscissa::kX ||
         (IsHameg(waveforms.type) && waveforms.abscissa == Abscissa::kSampleIndex);
}

Waveforms Delivered(const HostArrays& arrays, int32_t type, ReportedCounts reported) {
  size_t points = PointsToRead(arrays, reported.points);
  std::vector<int> written;
  for (int index = 0; index < arrays.count(); ++index) {
    if (arrays.Written(index, points)) written.push_back(index);
  }
  for (int index : written) points = std::min(points, arrays.WrittenPrefix(index));
  if (written.empty()) points = 0;

  Waveforms waveforms;
  waveforms.type = type;
  const bool hasArray0 = !written.empty() && written.front() == 0;
  if (!hasArray0) {
    waveforms.abscissa = Abscissa::kSampleIndex;
    waveforms.abscissaValues.resize(points);
    std::iota(waveforms.abscissaValues.begin(), waveforms.abscissaValues.end(), 0.0);
  } else {
    waveforms.abscissaValues = Copy(arrays.Array(0), points);
    const bool xyMode = IsHameg(type) && IsHamegXY(reported, waveforms.abscissaValues);
    waveforms.abscissa = xyMode ? Abscissa::kX : Abscissa::kTime;
  }
  for (int index : written) {
    if (index == 0) continue;
    const std::string name =
        waveforms.abscissa == Abscissa::kX ? "Y" : "ch" + std::to_string(index);
    waveforms.channels.push_back({name, Copy(arrays.Array(index), points)});
  }
  return waveforms;
}

}  // namespace scopehost
