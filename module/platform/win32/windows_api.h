// The Win32 API itself: <windows.h> with the progress-bar messages, and the runtime's _access.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <io.h>

#include "gpibscope/host.h"
