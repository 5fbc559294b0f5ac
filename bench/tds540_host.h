// A silent host for a TDS540 acquisition of four channels of 20000 points: the host's arrays,
// a progress window that ignores its messages, and no message shown.
#pragma once

#include <vector>

#include "gpibscope/host.h"

namespace bench {

class Tds540Host {
 public:
  static constexpr int kChannels = 4;
  static constexpr int kPoints = 20000;

  Tds540Host() : arrays_(kChannels + 1, std::vector<double>(kPoints)) {
    for (size_t i = 0; i < arrays_.size(); ++i) buffers_.arrays[i] = arrays_[i].data();
    hwnd_.windowProc = &IgnoreProgress;
    window_.m_hWnd = &hwnd_;
  }

  // GetData for device type 2; true when it delivered all four channels.
  bool Acquire(GetDataFn getData) {
    int32_t points = 0;
    int16_t channels = kChannels + 1;
    return getData(2, &buffers_, &points, &channels, &window_, &IgnoreMessage) == 1 &&
           points == kPoints;
  }

 private:
  static LRESULT IgnoreProgress(HWND, UINT, WPARAM, LPARAM) { return 0; }
  static int IgnoreMessage(void*, const CString*) { return 0; }

  std::vector<std::vector<double>> arrays_;
  WaveformBuffers buffers_{};
  HWND__ hwnd_{};
  CWnd window_{};
};

}  // namespace bench
