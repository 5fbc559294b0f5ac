// The linux-gpib bridge, loaded by path as the module loads a GPIB library, against the
// stand-in libgpib.so.0 with linux-gpib's names and values over the simulated bus: each
// difference the bridge maps shows here as a wrong result when it is not mapped.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "gpibsim/gpibsim.h"
#include "ni488/ni488.h"

extern "C" void linux_gpib_standin_device_first(int yes);

namespace {

// The bridge's exports, bound by name.
struct Bridge {
  Bridge() : handle(dlopen(LINUX_GPIB_BRIDGE, RTLD_NOW | RTLD_LOCAL)) {
    if (handle == nullptr) throw std::runtime_error(dlerror());
  }
  template <typename T>
  T Bind(const char* name) const {
    return reinterpret_cast<T>(dlsym(handle, name));
  }

  void* handle;
  const int32_t* ibsta = Bind<int32_t*>("user_ibsta");
  const int32_t* iberr = Bind<int32_t*>("user_iberr");
  const int32_t* ibcnt = Bind<int32_t*>("user_ibcnt");
  const int32_t* ibcntl = Bind<int32_t*>("user_ibcntl");
  IbfindFn ibfindA = Bind<IbfindFn>("ibfindA");
  IbonlFn ibonl = Bind<IbonlFn>("ibonl");
  IbdevFn ibdev = Bind<IbdevFn>("ibdev");
  IbwrtFn ibwrt = Bind<IbwrtFn>("ibwrt");
  IbrdFn ibrd = Bind<IbrdFn>("ibrd");
  IbtmoFn ibtmo = Bind<IbtmoFn>("ibtmo");
  SendFn Send = Bind<SendFn>("Send");
  ReceiveFn Receive = Bind<ReceiveFn>("Receive");
  FindLstnFn FindLstn = Bind<FindLstnFn>("FindLstn");
};

const Bridge& Lib() {
  static const Bridge bridge;
  return bridge;
}

bool Failed() {
  return (*Lib().ibsta & ERR) != 0;
}

gpibsim_call LastCall() {
  gpibsim_call call{};
  gpibsim_get_call(gpibsim_call_count() - 1, &call);
  return call;
}

std::string CallData(const gpibsim_call& call) {
  return {reinterpret_cast<const char*>(call.data), static_cast<size_t>(call.dataLength)};
}

void Script(int32_t pad, std::string_view command, std::string_view reply) {
  ASSERT_EQ(gpibsim_script_reply(pad, command.data(), static_cast<int32_t>(command.size()),
                                 reply.data(), static_cast<int32_t>(reply.size())),
            0);
}

class LinuxGpibBridge : public ::testing::Test {
 protected:
  // DEV2 is configured at address 5, not the default name's address 2; address 3 has no name.
  void SetUp() override {
    gpibsim_clear_bus();
    ASSERT_EQ(gpibsim_add_scripted(5, "DEV2"), 0);
    ASSERT_EQ(gpibsim_add_scripted(3, nullptr), 0);
    Script(5, "*IDN?\n", "five\n");
    Script(3, "*IDN?\n", "three\n");
  }
  void TearDown() override { gpibsim_clear_bus(); }

  std::string Identify(int32_t ud) const {
    Lib().ibwrt(ud, "*IDN?\n", 6);
    char reply[32] = {};
    Lib().ibrd(ud, reply, sizeof reply);
    if (Failed()) return "(failed)";
    EXPECT_EQ(*Lib().ibcnt, *Lib().ibcntl);
    return {reply, static_cast<size_t>(*Lib().ibcnt)};
  }
};

TEST_F(LinuxGpibBridge, NamesComeFromTheConfigurationThenTheDefaults) {
  const struct {
    const char* name;
    const char* identity;  // null: the name opens nothing
  } cases[] = {
      {"DEV2", "five\n"}, {"DEV3", "three\n"}, {"dev3", "three\n"},
      {"DEV17", nullptr}, {"scope", nullptr},
  };
  for (const auto& c : cases) {
    ASSERT_GE(Lib().ibfindA("DEV2"), 0);  // a success first, so stale status would show
    const int32_t ud = Lib().ibfindA(c.name);
    if (c.identity == nullptr) {
      EXPECT_LT(ud, 0) << c.name;
      EXPECT_TRUE(Failed()) << c.name;
      EXPECT_EQ(*Lib().iberr, EDVR) << c.name;
      continue;
    }
    ASSERT_GE(ud, 0) << c.name;
    EXPECT_EQ(Identify(ud), c.identity) << c.name;
  }
}

TEST_F(LinuxGpibBridge, ADefaultNameOpensItsAddressWithTenSeconds) {
  ASSERT_GE(Lib().ibfindA("DEV3"), 0);
  gpibsim_call call = LastCall();
  EXPECT_STREQ(call.function, "ibdev");
  EXPECT_STREQ(call.arguments, "board=0, pad=3, sad=0x0, tmo=13, eot=1, eos=0x0");
}

TEST_F(LinuxGpibBridge, SendEndModesAndCountsArriveAsMeant) {
  const struct {
    int32_t mode;
    std::string_view onBus;
  } cases[] = {{NLend, "*IDN?\n"}, {DABend, "*IDN?"}, {NULLend, "*IDN?"}};
  for (const auto& c : cases) {
    Lib().Send(0, MakeAddr(5, 0), "*IDN?", 5, c.mode);
    ASSERT_FALSE(Failed()) << c.mode;
    EXPECT_EQ(CallData(LastCall()), c.onBus) << c.mode;
  }
  char reply[32] = {};
  Lib().Receive(0, MakeAddr(5, 0), reply, sizeof reply, STOPend);  // the NLend query's answer
  ASSERT_FALSE(Failed());
  EXPECT_EQ(*Lib().ibcnt, 5);
  EXPECT_EQ(*Lib().ibcntl, 5);
  EXPECT_EQ(std::string_view(reply, 5), "five\n");
}

// Arguments linux-gpib takes wrongly (no time-out, a crash, a huge count) never reach it.
TEST_F(LinuxGpibBridge, ArgumentsLinuxGpibMishandlesAreRefused) {
  const int32_t ud = Lib().ibfindA("DEV2");
  ASSERT_GE(ud, 0);
  char buffer[8];
  Addr4882_t results[4];
  const struct {
    const char* label;
    std::function<void()> call;
  } cases[] = {
      {"ibdev pad 31", [&] { EXPECT_EQ(Lib().ibdev(0, 31, 0, T10s, 1, 0), -1); }},
      {"ibdev sad 0x7F", [&] { EXPECT_EQ(Lib().ibdev(0, 1, 0x7F, T10s, 1, 0), -1); }},
      {"ibdev sad 0x10", [&] { EXPECT_EQ(Lib().ibdev(0, 1, 0x10, T10s, 1, 0), -1); }},
      {"ibdev tmo 18", [&] { EXPECT_EQ(Lib().ibdev(0, 1, 0, 18, 1, 0), -1); }},
      {"ibtmo -1", [&] { Lib().ibtmo(ud, -1); }},
      {"ibrd count -1", [&] { Lib().ibrd(ud, buffer, -1); }},
      {"ibwrt null", [&] { Lib().ibwrt(ud, nullptr, 5); }},
      {"ibfindA null", [&] { EXPECT_EQ(Lib().ibfindA(nullptr), -1); }},
      {"Send null", [&] { Lib().Send(0, MakeAddr(5, 0), nullptr, 3, NLend); }},
      {"FindLstn null", [&] { Lib().FindLstn(0, nullptr, results, 4); }},
  };
  for (const auto& c : cases) {
    const int32_t callsBefore = gpibsim_call_count();
    c.call();
    EXPECT_TRUE(Failed()) << c.label;
    EXPECT_EQ(*Lib().iberr, EARG) << c.label;
    EXPECT_EQ(gpibsim_call_count(), callsBefore) << c.label << " reached linux-gpib";
  }
}

// A device listed before the interface in /etc/gpib.conf: linux-gpib's ibonl(ud, 1) closes
// the descriptor. The call that finds it closed says so, once; a descriptor given up with
// ibonl(ud, 0), or one that stays open, is not told.
TEST_F(LinuxGpibBridge, ADescriptorClosedByGoingOnlineIsToldWithWhatToChange) {
  const struct {
    bool deviceFirst;
    int32_t online;
    bool told;
  } cases[] = {{true, 1, true}, {false, 0, false}, {false, 1, false}};
  for (const auto& c : cases) {
    const int32_t ud = Lib().ibfindA("DEV2");
    ASSERT_GE(ud, 0);
    linux_gpib_standin_device_first(c.deviceFirst);
    testing::internal::CaptureStderr();
    Lib().ibonl(ud, c.online);
    Lib().ibtmo(ud, T10s);
    const bool answered = Identify(ud) == "five\n";
    const std::string told = testing::internal::GetCapturedStderr();
    linux_gpib_standin_device_first(0);
    EXPECT_EQ(answered, c.online == 1 && !c.deviceFirst);
    const std::string line = "libgpib-32 (linux-gpib): DEV2 (descriptor " + std::to_string(ud) +
                             ") was closed by ibonl(" + std::to_string(ud) +
                             ", 1), as linux-gpib does when /etc/gpib.conf lists a device before "
                             "the interface: put the interface block first\n";
    EXPECT_EQ(told, c.told ? line : "") << c.deviceFirst << c.online;
  }
}

}  // namespace
