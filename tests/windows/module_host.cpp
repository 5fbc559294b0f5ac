#include "module_host.h"

#include <vector>

namespace windows_tests {

namespace {

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

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

LoadedModule::LoadedModule() : module_(LoadLibraryA(GPIBSCOPE_MODULE_PATH)) {
  Messages().clear();
  if (module_ == nullptr) return;
  GetDeviceText = Export<GetDeviceTextFn>(module_, "GetDeviceText");
  GetTransProperties = Export<GetTransPropertiesFn>(module_, "GetTransProperties");
  GetData = Export<GetDataFn>(module_, "GetData");
}

LoadedModule::~LoadedModule() {
  if (module_ != nullptr) FreeLibrary(module_);
}

ProgressBar::ProgressBar() {
  window_.m_hWnd = CreateWindowExA(0, PROGRESS_CLASSA, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
  SendMessageA(window_.m_hWnd, PBM_SETRANGE32, 0, 100);
  SendMessageA(window_.m_hWnd, PBM_SETSTEP, 1, 0);
}

ProgressBar::~ProgressBar() {
  DestroyWindow(window_.m_hWnd);
}

int ProgressBar::position() const {
  return static_cast<int>(SendMessageA(window_.m_hWnd, PBM_GETPOS, 0, 0));
}

void ProgressBar::SetPosition(int position) {
  SendMessageA(window_.m_hWnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

Acquisition Acquire(const LoadedModule& module, int32_t type, ProgressBar& progress) {
  static std::vector<double> values(5 * 20000);
  WaveformBuffers buffers{};
  for (int k = 0; k < 5; ++k) buffers.arrays[k] = values.data() + k * 20000;
  Acquisition acquisition;
  acquisition.result = module.GetData(type, &buffers, &acquisition.points, &acquisition.channels,
                                      progress.window(), &RecordMessage);
  return acquisition;
}

}  // namespace windows_tests
