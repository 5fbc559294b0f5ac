// Where the module's messages go: the module keeps the callback of its latest GetData for
// later messages and hands the host no context with them, so one callback serves the process
// and passes each message to whoever listens now.
#pragma once

#include <functional>
#include <string_view>

#include "gpibscope/host.h"

namespace scopehost {

using MessageHandler = std::function<void(std::string_view text)>;

// The MessageCallback handed to GetData: each message to the handler listening now, if any.
int GPIBSCOPE_CALL ForwardModuleMessage(void* reserved, const CString* message);

// While one lives, module messages go to its handler (none: they are dropped).
class ListeningToModule {
 public:
  explicit ListeningToModule(const MessageHandler* handler);
  ~ListeningToModule();
  ListeningToModule(const ListeningToModule&) = delete;
  ListeningToModule& operator=(const ListeningToModule&) = delete;

 private:
  const MessageHandler* previous_;
};

}  // namespace scopehost
