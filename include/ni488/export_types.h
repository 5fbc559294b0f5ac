// Included by a library that exports the GPIB library's names, after their definitions: each
// has exactly the type the module binds it as. ibfindA and WaitSRQ are checked where they
// are defined, because the simulator's variants for the binding tests lack one of them.
#pragma once

#include <type_traits>

#include "ni488.h"

static_assert(std::is_same_v<decltype(&ibclr), IbclrFn>);
static_assert(std::is_same_v<decltype(&ibdev), IbdevFn>);
static_assert(std::is_same_v<decltype(&ibonl), IbonlFn>);
static_assert(std::is_same_v<decltype(&ibrd), IbrdFn>);
static_assert(std::is_same_v<decltype(&ibrsp), IbrspFn>);
static_assert(std::is_same_v<decltype(&ibtrg), IbtrgFn>);
static_assert(std::is_same_v<decltype(&ibwait), IbwaitFn>);
static_assert(std::is_same_v<decltype(&ibwrt), IbwrtFn>);
static_assert(std::is_same_v<decltype(&ibloc), IblocFn>);
static_assert(std::is_same_v<decltype(&ibtmo), IbtmoFn>);
static_assert(std::is_same_v<decltype(&DevClear), DevClearFn>);
static_assert(std::is_same_v<decltype(&FindLstn), FindLstnFn>);
static_assert(std::is_same_v<decltype(&ReadStatusByte), ReadStatusByteFn>);
static_assert(std::is_same_v<decltype(&Receive), ReceiveFn>);
static_assert(std::is_same_v<decltype(&Send), SendFn>);
static_assert(std::is_same_v<decltype(&SendIFC), SendIFCFn>);
