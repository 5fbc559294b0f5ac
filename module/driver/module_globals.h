// Everything the module keeps between exported calls, in one place: where messages come
// from, and the host's callback and progress window recorded by the latest GetData.
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
