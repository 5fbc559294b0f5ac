#include "acquiring/module_messages.h"

namespace scopehost {

namespace {

const MessageHandler* listening = nullptr;

}  // namespace

int GPIBSCOPE_CALL ForwardModuleMessage(void*, const CString* message) {
  if (listening != nullptr && *listening && message != nullptr && message->m_pszData != nullptr) {
    (*listening)(message->m_pszData);
  }
  return 0;
}

ListeningToModule::ListeningToModule(const MessageHandler* handler) : previous_(listening) {
  listening = handler;
}

ListeningToModule::~ListeningToModule() {
  listening = previous_;
}

}  // namespace scopehost
