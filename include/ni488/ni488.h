// The C interface of the GPIB library (NI-488.2, gpib-32.dll) as the module binds it by name,
// with 32-bit integers for descriptors, counts and status variables. Shared by the module, the
// simulated library, which stands where gpib-32.dll stands, and the bridges to real controllers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The library's calling convention: __stdcall on 32-bit Windows, the platform's default
// elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define NI488CC __stdcall
#else
#define NI488CC
#endif

using Addr4882_t = int16_t;  // primary address in the low byte, secondary in the high byte

// ibsta bits
constexpr int32_t ERR = 0x8000, TIMO = 0x4000, END = 0x2000, SRQI = 0x1000, RQS = 0x0800,
                  CMPL = 0x0100, LOK = 0x80, REM = 0x40, CIC = 0x20, ATN = 0x10, TACS = 0x08,
                  LACS = 0x04, DTAS = 0x02, DCAS = 0x01;
// iberr codes
constexpr int32_t EDVR = 0, ECIC = 1, ENOL = 2, EADR = 3, EARG = 4, ESAC = 5, EABO = 6, ENEB = 7,
                  EDMA = 8, EOIP = 10, ECAP = 11, EFSO = 12, EBUS = 14, ESTB = 15, ESRQ = 16,
                  ETAB = 20;
// time-out codes (the ones named here are those the module, the libraries and the hosts use)
constexpr int32_t TNONE = 0, T1s = 11, T10s = 13, T1000s = 17;
// end modes
constexpr int32_t NULLend = 0x00, NLend = 0x01, DABend = 0x02, STOPend = 0x0100;
constexpr Addr4882_t NOADDR = static_cast<Addr4882_t>(0xFFFF);

// Bus addresses: primary 0 to 30 (the controller at 0); a secondary address n goes on the bus
// as 0x60 + n, the same 31 values, and 0 stands for none.
constexpr int32_t kLastPrimaryAddress = 30;
constexpr int32_t kFirstSecondaryAddress = 0x60;
constexpr int32_t kLastSecondaryAddress = kFirstSecondaryAddress + kLastPrimaryAddress;

constexpr bool ValidPrimaryAddress(int32_t pad) {
  return pad >= 0 && pad <= kLastPrimaryAddress;
}
constexpr bool ValidSecondaryAddress(int32_t sad) {
  return sad == 0 || (sad >= kFirstSecondaryAddress && sad <= kLastSecondaryAddress);
}
// TNONE to T1000s; libraries read any other code as no time-out at all, or refuse it.
constexpr bool ValidTimeoutCode(int32_t code) {
  return code >= TNONE && code <= T1000s;
}
// Seconds of each time-out code: TNONE (no limit, 0), T10us, T30us, T100us, ... T1000s.
inline constexpr std::array<double, T1000s + 1> kTimeoutSeconds = {
    0.0, 10e-6, 30e-6, 100e-6, 300e-6, 1e-3, 3e-3,  10e-3, 30e-3,
    0.1, 0.3,   1.0,   3.0,    10.0,   30.0, 100.0, 300.0, 1000.0};
// The seconds of a valid time-out code; 0 for TNONE and for any code out of range.
constexpr double TimeoutSeconds(int32_t code) {
  return ValidTimeoutCode(code) ? kTimeoutSeconds[static_cast<std::size_t>(code)] : 0.0;
}

// A buffer argument a call may use: a count that is not negative, and memory behind it
// wherever bytes move (a negative count would reach a controller as a huge size).
constexpr bool ValidBuffer(const void* buffer, int32_t count) {
  return count >= 0 && (buffer != nullptr || count == 0);
}

constexpr int32_t GetPAD(Addr4882_t address) {
  return address & 0xFF;
}
constexpr int32_t GetSAD(Addr4882_t address) {
  return (address >> 8) & 0xFF;
}
constexpr Addr4882_t MakeAddr(int32_t pad, int32_t sad) {
  return static_cast<Addr4882_t>((pad & 0xFF) | (sad << 8));
}

// Entry points, as exported by the library.
extern "C" {
using IbclrFn = int32_t(NI488CC*)(int32_t ud);
using IbdevFn = int32_t(NI488CC*)(int32_t board, int32_t pad, int32_t sad, int32_t tmo, int32_t eot,
                                  int32_t eos);
using IbonlFn = int32_t(NI488CC*)(int32_t ud, int32_t v);
using IbrdFn = int32_t(NI488CC*)(int32_t ud, void* buffer, int32_t count);
using IbrspFn = int32_t(NI488CC*)(int32_t ud, char* spr);
using IbtrgFn = int32_t(NI488CC*)(int32_t ud);
using IbwaitFn = int32_t(NI488CC*)(int32_t ud, int32_t mask);
using IbwrtFn = int32_t(NI488CC*)(int32_t ud, const void* buffer, int32_t count);
using IbfindFn = int32_t(NI488CC*)(const char* name);
using IblocFn = int32_t(NI488CC*)(int32_t ud);
using IbtmoFn = int32_t(NI488CC*)(int32_t ud, int32_t v);
using DevClearFn = void(NI488CC*)(int32_t board, Addr4882_t address);
using FindLstnFn = void(NI488CC*)(int32_t board, const Addr4882_t* addresses, Addr4882_t* results,
                                  int32_t limit);
using ReadStatusByteFn = void(NI488CC*)(int32_t board, Addr4882_t address, int16_t* result);
using ReceiveFn = void(NI488CC*)(int32_t board, Addr4882_t address, void* buffer, int32_t count,
                                 int32_t termination);
using SendFn = void(NI488CC*)(int32_t board, Addr4882_t address, const void* buffer, int32_t count,
                              int32_t eotMode);
using SendIFCFn = void(NI488CC*)(int32_t board);
using WaitSRQFn = void(NI488CC*)(int32_t board, int16_t* result);
}
