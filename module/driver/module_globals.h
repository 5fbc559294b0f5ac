// Everything the module keeps between exported calls, in one place: where messages come
// from, the host's callback and progress window recorded by the latest GetData, what the
// latest Philips probe told the host, and the clock the settle wait reads. The GPIB binding
// (gpib/gpib_api.h) lives only from LoadGpibApi to UnloadGpibApi within one call; the
// framework stand-ins under platform/ keep their own state, as the framework does.
#pragma once

#include <ctime>
#include <optional>

#include "driver/array_sizes.h"
#include "platform/afx.h"

// The calendar clock the settle wait reads: the runtime's time, or a test's clock.
using CalendarClock = std::time_t (*)(std::time_t*);

struct ModuleGlobals {
  HINSTANCE Instance = nullptr;        // this module
  HINSTANCE ResourceModule = nullptr;  // where message texts are loaded from
  AFX_EXTENSION_MODULE ExtensionModule;
  MessageCallback Callback = nullptr;
  CWnd* ProgressWindow = nullptr;
  // The sizes the latest successful Philips probe gave GetTransProperties, by which the host
  // sized its arrays; nothing before the first probe.
  std::optional<ArraySizes> AnnouncedPhilipsArrays;
  CalendarClock Clock = &std::time;
};

ModuleGlobals& Module();
