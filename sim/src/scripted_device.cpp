#include "scripted_device.h"

#include <stdexcept>
#include <string>

#include "model_registry.h"

namespace gpibsim {

void ScriptedDevice::Script(std::span<const uint8_t> command, std::span<const uint8_t> reply) {
  replies_.insert_or_assign(Bytes(command.begin(), command.end()),
                            Bytes(reply.begin(), reply.end()));
}

void ScriptedDevice::OnMessage(std::span<const uint8_t> message) {
  const auto found = replies_.find(Bytes(message.begin(), message.end()));
  if (found != replies_.end()) QueueReply(found->second);
}

namespace {

std::span<const uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string StringKey(const toml::table& table, std::string_view key) {
  auto value = table.get(key) ? table.get(key)->value<std::string>() : std::nullopt;
  if (!value)
    throw std::runtime_error("key \"replies\": each entry needs a string \"" + std::string(key) +
                             "\"");
  return *value;
}

// A bench's scripted device: replies = [ { command = "*IDN?\n", reply = "..." }, ... ]
std::unique_ptr<Device> MakeScripted(const toml::table& config) {
  auto device = std::make_unique<ScriptedDevice>();
  const toml::node* replies = config.get("replies");
  if (replies == nullptr) return device;
  const toml::array* list = replies->as_array();
  if (list == nullptr) throw std::runtime_error("key \"replies\" must be an array of tables");
  for (const toml::node& entry : *list) {
    const toml::table* script = entry.as_table();
    if (script == nullptr) throw std::runtime_error("key \"replies\" must be an array of tables");
    device->Script(AsBytes(StringKey(*script, "command")), AsBytes(StringKey(*script, "reply")));
  }
  return device;
}

const ModelRegistration kScripted("scripted", &MakeScripted);

}  // namespace

}  // namespace gpibsim
