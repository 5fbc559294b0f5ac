// A bench described in TOML: the bus's transfer rate and its devices.
//
//   transfer_rate = 0.0          # bytes per second; 0 moves bytes instantly
//   [[device]]
//   model = "hm408"              # a registered instrument model, or "scripted"
//   address = 1                  # primary address 1 to 30, one device each
//   secondary = 3                # optional: secondary address 0 to 30 (on the bus 0x60 + n);
//                                # a device without one takes its whole primary address
//   name = "DEV1"                # optional: the name ibfind knows it by
//   ...                          # the rest belongs to the model
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bus.h"

namespace gpibsim {

// A bench that cannot be built; what() is one line naming the device and the key.
class BenchError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Bench {
  struct PlacedDevice {
    int32_t pad = 0;
    int32_t sad = 0;   // 0 for none, else 0x60 to 0x7E
    std::string name;  // empty: no configured name
    std::unique_ptr<Device> device;
  };
  double transferRate = 0.0;
  std::vector<PlacedDevice> devices;
};

// Parses and builds every device; origin (a file name, or a word for a text) starts each
// message. Throws BenchError.
Bench ParseBench(std::string_view text, const std::string& origin);
// The bus becomes the bench: an empty bus, then the bench's devices, names and rate.
void InstallBench(Bench bench, Bus& bus);

}  // namespace gpibsim
