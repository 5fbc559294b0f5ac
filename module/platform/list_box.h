// The framework's CListBox: sends the list-box messages to the control it is attached to (the
// real list box on Windows, the POSIX backend's model of one elsewhere).
#pragma once

#include "platform/afx.h"

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

 private:
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendMessageA(m_hWnd, message, wParam, lParam);
  }
};
