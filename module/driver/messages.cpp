#include "driver/messages.h"

#include <string>

#include "driver/module_globals.h"

namespace {

// The resource module, unless it lacks the text; then the module's own US English table.
HINSTANCE SourceOf(UINT id) {
  const HINSTANCE resources = Module().ResourceModule;
  if (AfxFindStringResource(resources, id) != nullptr) return resources;
  return Module().Instance;
}

// Loads the message with the resource module in force, puts the host's resource handle back,
// and only then hands the text to the callback.
template <typename Fill>
void Report(UINT id, Fill fill) {
  AFX_MODULE_STATE* state = AfxGetModuleState();
  const HINSTANCE hostResources = state->m_hCurrentResourceHandle;
  state->m_hCurrentResourceHandle = SourceOf(id);
  CString message;
  fill(message);
  state->m_hCurrentResourceHandle = hostResources;
  if (Module().Callback != nullptr) Module().Callback(nullptr, &message);
}

}  // namespace

void ReportMessage(UINT id) {
  Report(id, [id](CString& message) { message.LoadString(id); });
}

void ReportFormattedMessage(UINT id, const char* argument) {
  Report(id, [id, argument](CString& message) { AfxFormatString1(message, id, argument); });
}

void ReportPrintfMessage(UINT id, const char* argument) {
  Report(id, [id, argument](CString& message) {
    // The loaded text is substituted, never used as a printf format.
    message.LoadString(id);
    std::string text(static_cast<const char*>(message));
    if (const size_t at = text.find("%s"); at != std::string::npos)
      text.replace(at, 2, argument ? argument : "");
    message = CString(text.c_str());
  });
}
