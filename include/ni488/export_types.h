// Included by a library that exports the GPIB library's names, after their definitions: each
// has exactly the type the module binds it as. ibfindA and WaitSRQ are checked where they
// are defined, because the simulator's variants for the binding tests lack one of them.
#pragma once

#include <type_traits>

#include "bound_names.h"
#include "ni488.h"

#define NI488_CHECK_EXPORT_TYPE(name, member, Type) \
  static_assert(std::is_same_v<decltype(&name), Type>);
#define NI488_SKIP_EXPORT_TYPE(name, member, Type)
NI488_FUNCTIONS(NI488_CHECK_EXPORT_TYPE, NI488_SKIP_EXPORT_TYPE)
#undef NI488_CHECK_EXPORT_TYPE
#undef NI488_SKIP_EXPORT_TYPE
