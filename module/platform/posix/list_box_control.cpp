#include "platform/posix/list_box_control.h"

#include <algorithm>

ListBoxControl::ListBoxControl() {
  window_.windowProc = &WindowProc;
  window_.userData = this;
}

void ListBoxControl::Select(int index) {
  if (index >= 0 && index < Count()) selection_ = index;
}

void ListBoxControl::MoveSelection(int delta) {
  if (lines_.empty()) return;
  selection_ = std::clamp(selection_ + delta, 0, Count() - 1);
}

LRESULT ListBoxControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return static_cast<ListBoxControl*>(window->userData)->OnMessage(message, wParam, lParam);
}

LRESULT ListBoxControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // wParam carries a signed index: -1 arrives as the largest value and names no line.
  switch (message) {
    case LB_INSERTSTRING: {
      const auto index = static_cast<INT_PTR>(wParam);
      if (index < -1 || index > Count()) return LB_ERR;
      const size_t at = index == -1 ? lines_.size() : static_cast<size_t>(index);
      const auto* text = reinterpret_cast<const char*>(lParam);
      lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{text ? text : "", 0});
      if (selection_ >= static_cast<int>(at)) ++selection_;
      return static_cast<LRESULT>(at);
    }
    case LB_SETITEMDATA:
      if (!IsLine(wParam)) return LB_ERR;
      lines_[wParam].data = lParam;
      return 0;
    case LB_GETITEMDATA:
      return IsLine(wParam) ? lines_[wParam].data : LB_ERR;
    case LB_SETCURSEL:
      // Win32 answers LB_ERR also when it clears the selection with -1.
      if (!IsLine(wParam)) {
        selection_ = -1;
        return LB_ERR;
      }
      selection_ = static_cast<int>(wParam);
      return selection_;
    case LB_GETCURSEL:
      return selection_ >= 0 ? selection_ : LB_ERR;
  }
  return 0;
}
