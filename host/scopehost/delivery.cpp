// The count variables alone do not tell which arrays hold data: the Hameg puts its only
// channel into array 1 whichever it is, the Tektronix fills array k only for the channels
// switched on, and the Philips writes neither count. So the host reads the arrays
// themselves, all set to NaN before the call:
//  - points: the count the module wrote, or the capacity where it wrote none, and never more
//    than the capacity;
//  - an array was delivered when any of those points is no longer NaN;
//  - every column ends where the shortest delivered array stops being written, so no row
//    holds a value the module did not write.
// Array 0 that is not delivered leaves the samples numbered. A Hameg that reports two arrays
// and whose array 0 is not strictly increasing is in XY mode: its time axis is a running sum
// of a positive increment, whereas 8-bit samples cannot rise strictly over the 2048 or 4096
// points of a dump.
#include "delivery.h"

#include <algorithm>
#include <numeric>
#include <span>
#include <string>

#include "device_names.h"

namespace scopehost {

namespace {

constexpr int kXYArrays = 2;

bool StrictlyIncreasing(std::span<const double> values) {
  return std::ranges::adjacent_find(values, std::greater_equal<>()) == values.end();
}

size_t PointsToRead(const HostArrays& arrays, int32_t reportedPoints) {
  if (reportedPoints == ReportedCounts::kNotWritten) return arrays.capacity();
  return std::min(static_cast<size_t>(std::max(reportedPoints, 0)), arrays.capacity());
}

std::vector<double> Copy(std::span<const double> values, size_t points) {
  return {values.begin(), values.begin() + static_cast<std::ptrdiff_t>(points)};
}

}  // namespace

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
    const bool xyMode = IsHameg(type) && reported.arrays == kXYArrays &&
                        !StrictlyIncreasing(waveforms.abscissaValues);
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
