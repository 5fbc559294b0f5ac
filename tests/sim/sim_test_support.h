// Small helpers for the simulated library's own tests: an empty bus per test, and the GPIB
// calls with strings in and out.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "gpibsim/gpibsim.h"
#include "ni488/ni488.h"

extern "C" {
extern int32_t user_ibsta, user_iberr, user_ibcnt, user_ibcntl;
int32_t ibfindA(const char* name);
int32_t ibdev(int32_t board, int32_t pad, int32_t sad, int32_t tmo, int32_t eot, int32_t eos);
int32_t ibonl(int32_t ud, int32_t v);
int32_t ibrd(int32_t ud, void* buffer, int32_t count);
int32_t ibwrt(int32_t ud, const void* buffer, int32_t count);
int32_t ibclr(int32_t ud);
int32_t ibloc(int32_t ud);
int32_t ibtmo(int32_t ud, int32_t v);
int32_t ibrsp(int32_t ud, char* spr);
void DevClear(int32_t board, Addr4882_t address);
void FindLstn(int32_t board, const Addr4882_t* addresses, Addr4882_t* results, int32_t limit);
void Receive(int32_t board, Addr4882_t address, void* buffer, int32_t count, int32_t termination);
void Send(int32_t board, Addr4882_t address, const void* buffer, int32_t count, int32_t eotMode);
void SendIFC(int32_t board);
void WaitSRQ(int32_t board, int16_t* result);
}

namespace simtest {

class EmptyBus : public ::testing::Test {
 protected:
  void SetUp() override { gpibsim_clear_bus(); }
  void TearDown() override { gpibsim_clear_bus(); }
};

// The descriptor of a scripted device at pad, added under name and found by it.
inline int32_t OpenScripted(int32_t pad, const char* name) {
  gpibsim_add_scripted(pad, name);
  return ibfindA(name);
}

inline bool Failed() {
  return (user_ibsta & ERR) != 0;
}

inline void Script(int32_t pad, std::string_view command, std::string_view reply) {
  ASSERT_EQ(gpibsim_script_reply(pad, command.data(), static_cast<int32_t>(command.size()),
                                 reply.data(), static_cast<int32_t>(reply.size())),
            0);
}

inline void Queue(int32_t pad, std::string_view reply) {
  ASSERT_EQ(gpibsim_queue_reply(pad, reply.data(), static_cast<int32_t>(reply.size())), 0);
}

inline int32_t Write(int32_t ud, std::string_view bytes) {
  return ibwrt(ud, bytes.data(), static_cast<int32_t>(bytes.size()));
}

// The bytes a read delivered, by ibcnt.
inline std::string Read(int32_t ud, int32_t limit) {
  std::string buffer(static_cast<size_t>(limit), '\xAA');
  ibrd(ud, buffer.data(), limit);
  return Failed() ? std::string() : buffer.substr(0, static_cast<size_t>(user_ibcnt));
}

inline std::string ReceiveFrom(Addr4882_t address, int32_t limit) {
  std::string buffer(static_cast<size_t>(limit), '\xAA');
  Receive(0, address, buffer.data(), limit, STOPend);
  return Failed() ? std::string() : buffer.substr(0, static_cast<size_t>(user_ibcntl));
}

inline gpibsim_call LastCall() {
  gpibsim_call call{};
  gpibsim_get_call(gpibsim_call_count() - 1, &call);
  return call;
}

}  // namespace simtest
