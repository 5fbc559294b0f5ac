// The C interface's session: the GPIB library chosen and held, the module loaded when first
// needed, and where messages go.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "acquiring/module_messages.h"
#include "acquiring/waveforms.h"
#include "gpibscope/host_library.h"
#include "interface/gpib_claim.h"
#include "loading/module_loader.h"

struct gpibscope_session_options {
  std::optional<std::string> gpib;
  std::optional<std::string> bench;
  std::optional<std::string> module;
  std::optional<std::string> trace;
  std::optional<std::string> replay;
  gpibscope_message_fn messages = nullptr;
  void* messagesUser = nullptr;
};

struct gpibscope_session {
  std::optional<scopehost::GpibClaim> claim;
  // The recorder or the replay, loaded first so that the module's calls reach it.
  std::optional<scopehost::SharedLibrary> front;
  std::optional<scopehost::SharedLibrary> gpib;
  std::filesystem::path modulePath;
  std::optional<scopehost::DriverModule> module;
  std::map<int32_t, std::string> names;
  scopehost::MessageHandler messages;
  std::string absence;
};

struct gpibscope_acquisition {
  scopehost::Waveforms waveforms;
  // False for one a host makes, until its first column, the abscissa, is added.
  bool hasAbscissa = true;
};
