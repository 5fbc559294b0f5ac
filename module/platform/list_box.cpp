#include "platform/list_box.h"

int CListBox::InsertString(int index, const char* text) {
  return static_cast<int>(
      Send(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
}

int CListBox::SetItemData(int index, DWORD_PTR data) {
  return static_cast<int>(
      Send(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
}

int CListBox::SetCurSel(int index) {
  return static_cast<int>(Send(LB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int CListBox::GetCurSel() const {
  return static_cast<int>(Send(LB_GETCURSEL, 0, 0));
}

DWORD_PTR CListBox::GetItemData(int index) const {
  return static_cast<DWORD_PTR>(Send(LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}
