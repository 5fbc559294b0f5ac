// How the host tells the user things: one line on stderr, "scopehost: <text>".
#pragma once

#include <string_view>

#include "gpibscope/host.h"

namespace scopehost {

void PrintMessage(std::string_view text);

// The MessageCallback handed to GetData: prints each module message as one line.
int PrintModuleMessage(void* reserved, const CString* message);

// While one lives, module messages are dropped (for a call made only for its side effect).
class MutedModuleMessages {
 public:
  MutedModuleMessages();
  ~MutedModuleMessages();
  MutedModuleMessages(const MutedModuleMessages&) = delete;
  MutedModuleMessages& operator=(const MutedModuleMessages&) = delete;
};

}  // namespace scopehost
