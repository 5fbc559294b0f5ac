// The list-box control on POSIX: keeps its lines, the item data of each and the selected line,
// and is driven by the list-box messages with their Win32 values.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/win32_api.h"

// One list-box control of a dialog while the dialog's window exists.
class ListBoxControl {
 public:
  ListBoxControl();
  ListBoxControl(const ListBoxControl&) = delete;
  ListBoxControl& operator=(const ListBoxControl&) = delete;

  HWND Handle() { return &window_; }

  // What the dialog shows, and the keys it passes on.
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Text(int index) const { return lines_[static_cast<size_t>(index)].text; }
  int Selection() const { return selection_; }
  // Selects index when it names a line; otherwise nothing changes.
  void Select(int index);
  // Moves the selection by delta lines, stopping at the first and the last line.
  void MoveSelection(int delta);

 private:
  struct Line {
    std::string text;
    LPARAM data = 0;
  };

  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool IsLine(WPARAM index) const { return index < lines_.size(); }

  HWND__ window_{};
  std::vector<Line> lines_;
  int selection_ = -1;  // none
};
