// CDialog on Windows: the system's dialog manager runs the modal loop over the dialog template
// found along the framework's chain of resource modules, and the dialog procedure hands
// WM_INITDIALOG, OK and Cancel to the CDialog's own handlers.
#include "platform/dialog.h"

struct DialogBackend {
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      auto* dialog = reinterpret_cast<CDialog*>(lParam);
      SetWindowLongPtrA(window, DWLP_USER, lParam);
      dialog->m_hWnd = window;
      return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (dialog == nullptr || message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
    // Escape and the close box arrive as IDCANCEL, Enter as the default button's IDOK.
    switch (LOWORD(wParam)) {
      case IDOK:
        dialog->OnOK();
        return TRUE;
      case IDCANCEL:
        dialog->OnCancel();
        return TRUE;
    }
    return FALSE;
  }
};

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
  if (control.m_hWnd != nullptr) return;
  control.m_hWnd = GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
}

void CDialog::EndDialog(int result) {
  if (m_hWnd != nullptr) ::EndDialog(m_hWnd, result);
}

INT_PTR CDialog::DoModal() {
  const HINSTANCE resources = AfxFindResourceHandle(m_nIDTemplate);
  if (resources == nullptr) return -1;
  const HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
  const INT_PTR result =
      DialogBoxParamA(resources, MAKEINTRESOURCEA(m_nIDTemplate), owner, &DialogBackend::DialogProc,
                      reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;  // the window is gone
  return result;
}
