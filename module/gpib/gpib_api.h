// The GPIB library bound at run time: its status variables and entry points, looked up by
// name for the length of one exported call.
#pragma once

#include "ni488/ni488.h"
#include "platform/win32.h"

struct GpibApi {
  HMODULE library = nullptr;  // null while unbound
  // The library's own status variables, read through these pointers when needed.
  int32_t* ibsta = nullptr;
  int32_t* iberr = nullptr;
  int32_t* ibcntl = nullptr;
  int32_t* ibcnt = nullptr;
  IbclrFn ibclr = nullptr;
  IbdevFn ibdev = nullptr;
  IbonlFn ibonl = nullptr;
  IbrdFn ibrd = nullptr;
  IbrspFn ibrsp = nullptr;
  IbtrgFn ibtrg = nullptr;
  IbwaitFn ibwait = nullptr;
  IbwrtFn ibwrt = nullptr;
  IbfindFn ibfind = nullptr;  // bound to "ibfindA", the single-byte form
  IblocFn ibloc = nullptr;
  IbtmoFn ibtmo = nullptr;
  DevClearFn DevClear = nullptr;
  FindLstnFn FindLstn = nullptr;
  ReadStatusByteFn ReadStatusByte = nullptr;
  ReceiveFn Receive = nullptr;
  SendFn Send = nullptr;
  SendIFCFn SendIFC = nullptr;
  WaitSRQFn WaitSRQ = nullptr;
};

// The module's one binding, valid between a successful LoadGpibApi and UnloadGpibApi.
extern GpibApi Gpib;

// Loads "gpib-32.dll" and looks up all 22 names. On any failure the library is released,
// message 1 is reported and the result is false.
bool LoadGpibApi();
// Releases the library (nothing when it is not loaded).
void UnloadGpibApi();
