// The list-box control and the framework's CListBox over it. The control keeps its lines, the
// item data of each and the selected line, and is driven by the list-box messages with their
// Win32 values; CListBox sends them to the control it is attached to.
#pragma once

#include <string>
#include <vector>

#include "platform/afx.h"
#include "platform/collections.h"

constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr LRESULT LB_ERR = -1;

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

class CListBox : public CWnd {
 public:
  // Inserts text at index (-1: at the end) without sorting; the index, or LB_ERR.
  int InsertString(int index, const char* text);
  int SetItemData(int index, DWORD_PTR data);
  // Selects line index (-1: none).
  int SetCurSel(int index);
  // The selected line, or LB_ERR when none is.
  int GetCurSel() const;
  // The item data of line index; LB_ERR for no such line.
  DWORD_PTR GetItemData(int index) const;
  int GetCount() const;

 private:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageA(m_hWnd, message, wParam, lParam);
  }
};
