#include "acquiring/host_messages.h"

#include <cstdio>
#include <string>

#include "acquiring/terminal_progress.h"

namespace scopehost {

namespace {

bool muted = false;

}  // namespace

void PrintMessage(std::string_view text) {
  const std::string line = "scopehost: " + std::string(text);
  std::fflush(stdout);  // what was reported so far comes first, also in a log
  if (TerminalProgress* bar = TerminalProgress::Active()) {
    bar->PrintLine(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

int PrintModuleMessage(void*, const CString* message) {
  if (!muted && message != nullptr && message->m_pszData != nullptr) {
    PrintMessage(message->m_pszData);
  }
  return 0;
}

MutedModuleMessages::MutedModuleMessages() {
  muted = true;
}

MutedModuleMessages::~MutedModuleMessages() {
  muted = false;
}

}  // namespace scopehost
