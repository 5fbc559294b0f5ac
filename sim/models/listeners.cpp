// Listeners on the bus that are not oscilloscopes, for the bus scan to meet.
//
// model = "multimeter": an instrument of another maker. It answers "*IDN?" with
//   identification = "FLUKE,45,0,1.6 D1.0"   (the reply, without its line feed)
// and ignores every other command. A new message discards the rest of a reply not read to its
// end, as IEEE 488.2 has it (the scan reads only the start of an identification); between
// acquisitions only its remote state lasts.
//
// model = "mute": a device that listens but never talks; every read from it times out. Only
// its remote state lasts.
#include <memory>
#include <string>

#include "device.h"
#include "model_registry.h"

namespace gpibsim {

namespace {

class Multimeter : public Device {
 public:
  explicit Multimeter(const toml::table& config)
      : identification_(config["identification"].value_or<std::string>("FLUKE,45,0,1.6 D1.0")) {}

  void OnMessage(std::span<const uint8_t> message) override {
    DropOutput();
    if (CommandText(message) == "*IDN?") QueueReply(identification_ + "\n");
  }

 private:
  std::string identification_;
};

class Mute : public Device {
 public:
  void OnMessage(std::span<const uint8_t> /*message*/) override {}
};

const ModelRegistration kMultimeter("multimeter",
                                    [](const toml::table& config) -> std::unique_ptr<Device> {
                                      return std::make_unique<Multimeter>(config);
                                    });
const ModelRegistration kMute("mute", [](const toml::table&) -> std::unique_ptr<Device> {
  return std::make_unique<Mute>();
});

}  // namespace

}  // namespace gpibsim
