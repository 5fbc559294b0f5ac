// The 22 names the module binds in the GPIB library, in the order it looks them up: the four
// status variables, then the 18 functions. The module's binding table, the type checks of a
// library that exports them, the version scripts and the Windows export table are all made
// from these lists (CMake reads the entries, one per line).
#pragma once

// VARIABLE(exported name, member of the binding)
#define NI488_STATUS_VARIABLES(VARIABLE) \
  VARIABLE(user_ibsta, ibsta)            \
  VARIABLE(user_iberr, iberr)            \
  VARIABLE(user_ibcntl, ibcntl)          \
  VARIABLE(user_ibcnt, ibcnt)

// FUNCTION(exported name, member of the binding, type); OPTIONAL marks the two names that a
// simulated library variant for the binding tests leaves out.
#define NI488_FUNCTIONS(FUNCTION, OPTIONAL)                  \
  FUNCTION(ibclr, ibclr, IbclrFn)                            \
  FUNCTION(ibdev, ibdev, IbdevFn)                            \
  FUNCTION(ibonl, ibonl, IbonlFn)                            \
  FUNCTION(ibrd, ibrd, IbrdFn)                               \
  FUNCTION(ibrsp, ibrsp, IbrspFn)                            \
  FUNCTION(ibtrg, ibtrg, IbtrgFn)                            \
  FUNCTION(ibwait, ibwait, IbwaitFn)                         \
  FUNCTION(ibwrt, ibwrt, IbwrtFn)                            \
  OPTIONAL(ibfindA, ibfind, IbfindFn)                        \
  FUNCTION(ibloc, ibloc, IblocFn)                            \
  FUNCTION(ibtmo, ibtmo, IbtmoFn)                            \
  FUNCTION(DevClear, DevClear, DevClearFn)                   \
  FUNCTION(FindLstn, FindLstn, FindLstnFn)                   \
  FUNCTION(ReadStatusByte, ReadStatusByte, ReadStatusByteFn) \
  FUNCTION(Receive, Receive, ReceiveFn)                      \
  FUNCTION(Send, Send, SendFn)                               \
  FUNCTION(SendIFC, SendIFC, SendIFCFn)                      \
  OPTIONAL(WaitSRQ, WaitSRQ, WaitSRQFn)
