// Acquisitions as a host that lives for hours makes them: one device type after another in
// one process, each compared with what the same type delivers as the first acquisition of a
// fresh process.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gpibscope/host.h"

namespace testing_support {

// All a host sees of one acquisition: GetTransProperties' answer, GetData's, the five host
// arrays (marker-filled before the call), every message and the progress bar's moves.
struct Delivery {
  int32_t propsResult = 0;
  int32_t propsPoints = 0;
  int16_t propsChannels = 0;
  int32_t result = 0;
  int32_t points = 0;
  int16_t channels = 0;
  std::vector<std::vector<double>> arrays;
  std::vector<std::string> messages;
  int steps = 0;
  std::vector<intptr_t> positions;
  bool operator==(const Delivery&) const = default;
};

// GetTransProperties, then GetData with the arrays and channels it announced, as scopehost
// acquires.
Delivery Acquire(GetTransPropertiesFn getTransProperties, GetDataFn getData, int32_t type);

// What differs between two deliveries, in a line; empty when they are equal.
std::string Difference(const Delivery& expected, const Delivery& actual);

// Device types 0 to 3 such that every ordered pair of them follows one another somewhere.
std::vector<int32_t> EveryOrderedPair();
// length device types drawn from 0 to 3 by a generator seeded with seed.
std::vector<int32_t> SeededSequence(uint32_t seed, size_t length);

// The delivery that acquire makes in a child forked from this process, before this process
// has acquired anything: a fresh process's first acquisition.
Delivery InChildProcess(const std::function<Delivery()>& acquire);

}  // namespace testing_support
