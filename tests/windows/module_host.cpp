#include "module_host.h"

#include <vector>

namespace windows_tests {

std::vector<std::string>& Messages() {
  static std::vector<std::string> messages;
  return messages;
}

int GPIBSCOPE_CALL RecordMessage(void* /*reserved*/, const CString* message) {
  Messages().emplace_back(message->m_pszData);
  return 0;
}

void FindGpibLibraryIn(const char* directory) {
  SetDllDirectoryA(directory);
}

bool GpibLibraryLoaded() {
  return GetModuleHandleA("gpib-32.dll") != nullptr;
}

void ProgressBar::SetPosition(int position) {
  SendMessageA(window()->m_hWnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

Acquisition Acquire(const LoadedModule& module, int32_t type, ProgressBar& progress) {
  Acquisition acquisition;
  acquisition.values.assign(5 * 20000, -999.0);  // a marker no acquisition delivers
  WaveformBuffers buffers{};
  for (int k = 0; k < 5; ++k) buffers.arrays[k] = acquisition.values.data() + k * 20000;
  acquisition.result = module.GetData(type, &buffers, &acquisition.points, &acquisition.channels,
                                      progress.window(), &RecordMessage);
  return acquisition;
}

}  // namespace windows_tests
