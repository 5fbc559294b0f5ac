// Everything the module's own logic keeps between exported calls, in one place: where messages
// come from, and the host's callback and progress window recorded by the latest GetData. What
// the framework and system keep (module state, extension modules, the dialog console) is the
// platform layer's.
#pragma once

#include "platform/afx.h"

struct ModuleGlobals {
  HINSTANCE Instance = nullptr;        // this module
  HINSTANCE ResourceModule = nullptr;  // where message texts are loaded from
  AFX_EXTENSION_MODULE ExtensionModule;
  MessageCallback Callback = nullptr;
  CWnd* ProgressWindow = nullptr;
};

ModuleGlobals& Module();
