#include "acquiring/host_arrays.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace scopehost {

namespace {

constexpr int kMaxArrays = 5;

bool IsWritten(double value) {
  return !std::isnan(value);
}

}  // namespace

HostArrays::HostArrays(int32_t points, int16_t arrays)
    : capacity_(static_cast<size_t>(std::max(points, 0))),
      storage_(static_cast<size_t>(std::clamp<int16_t>(arrays, 0, kMaxArrays)),
               std::vector<double>(capacity_, std::numeric_limits<double>::quiet_NaN())) {
  for (size_t k = 0; k < storage_.size(); ++k) buffers_.arrays[k] = storage_[k].data();
}

std::span<const double> HostArrays::Array(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= storage_.size()) return {};
  return storage_[static_cast<size_t>(index)];
}

bool HostArrays::Written(int index, size_t points) const {
  const std::span<const double> values = Array(index);
  return std::ranges::any_of(values.first(std::min(points, values.size())), IsWritten);
}

size_t HostArrays::WrittenPrefix(int index) const {
  const std::span<const double> values = Array(index);
  return static_cast<size_t>(std::ranges::find_if_not(values, IsWritten) - values.begin());
}

}  // namespace scopehost
