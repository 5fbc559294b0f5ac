// linux-gpib's user library (libgpib.so.0) as the bridge binds it: its own argument lists
// (C long counts, unsigned 16-bit addresses) and the values where they differ from the NI
// names the bridge exports.
#pragma once

#include <cstdint>

namespace linux_gpib {

// How each of the bridge's lines on standard error begins.
inline constexpr const char* kLinePrefix = "libgpib-32 (linux-gpib): ";

using Addr4882 = uint16_t;

// End modes of Send: linux-gpib swaps NI's NLend (1) and DABend (2).
constexpr int kNullEnd = 0, kDabEnd = 1, kNlEnd = 2;

extern "C" {
using IbfindFn = int (*)(const char* name);
using IbdevFn = int (*)(int board, int pad, int sad, int timo, int eot, int eos);
using IbDescriptorFn = int (*)(int ud);          // ibclr, ibloc, ibtrg
using IbSettingFn = int (*)(int ud, int value);  // ibonl, ibtmo, ibwait
using IbrdFn = int (*)(int ud, void* buffer, long count);
using IbwrtFn = int (*)(int ud, const void* buffer, long count);
using IbrspFn = int (*)(int ud, char* spr);
using DevClearFn = void (*)(int board, Addr4882 address);
using FindLstnFn = void (*)(int board, const Addr4882* addresses, Addr4882* results, int limit);
using ReadStatusByteFn = void (*)(int board, Addr4882 address, short* result);
using ReceiveFn = void (*)(int board, Addr4882 address, void* buffer, long count, int term);
using SendFn = void (*)(int board, Addr4882 address, const void* buffer, long count, int eot);
using BoardFn = void (*)(int board);  // SendIFC
using WaitSRQFn = void (*)(int board, short* result);
using ThreadStatusFn = int (*)();
using ThreadCountFn = long (*)();
}

struct UserLibrary {
  IbfindFn ibfind;
  IbdevFn ibdev;
  IbSettingFn ibonl;
  IbrdFn ibrd;
  IbwrtFn ibwrt;
  IbrspFn ibrsp;
  IbDescriptorFn ibtrg;
  IbSettingFn ibwait;
  IbDescriptorFn ibloc;
  IbSettingFn ibtmo;
  IbDescriptorFn ibclr;
  DevClearFn DevClear;
  FindLstnFn FindLstn;
  ReadStatusByteFn ReadStatusByte;
  ReceiveFn Receive;
  SendFn Send;
  BoardFn SendIFC;
  WaitSRQFn WaitSRQ;
  // The calling thread's status; the library's global variables lag behind them after some
  // failures (a name ibfind does not know).
  ThreadStatusFn ThreadIbsta;
  ThreadStatusFn ThreadIberr;
  ThreadCountFn ThreadIbcntl;
};

// The bound library, loaded on first use; null when libgpib.so.0 cannot be loaded or lacks a
// name, which is then told once on standard error.
const UserLibrary* BoundUserLibrary();

}  // namespace linux_gpib
