#include "pm3323_script.h"

#include <string>

#include "gpibsim/gpibsim.h"

namespace pm3323_test {

namespace {

// The value of a call's last argument ("ud=1, v=0" gives 0).
long LastArgument(const std::string& arguments) {
  return std::stol(arguments.substr(arguments.rfind('=') + 1));
}

}  // namespace

Closing ObservedClosing(const testing_support::SimBus& bus) {
  if (gpibsim_open_descriptors() > 0) return Closing::kLeftOnline;
  bool local = false;
  for (const testing_support::Call& call : bus.Calls()) {
    if (call.function == "ibloc") local = true;
    if (call.function == "ibonl" && LastArgument(call.arguments) == 0)
      return local ? Closing::kReleased : Closing::kOffline;
  }
  return Closing::kNone;
}

const char* ToString(Closing closing) {
  switch (closing) {
    case Closing::kNone:
      return "never online";
    case Closing::kReleased:
      return "released";
    case Closing::kOffline:
      return "taken offline";
    case Closing::kLeftOnline:
      return "left online";
  }
  return "?";
}

}  // namespace pm3323_test
