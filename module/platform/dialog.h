// The framework's modal dialog: DoModal builds the dialog's window from its template, runs
// OnInitDialog, and runs until OnOK or OnCancel ends it. On Windows the system's dialog manager
// does this; on POSIX the dialog is drawn on the controlling terminal (posix/terminal_dialog.h).
#pragma once

#include "platform/afx.h"

class CDialog;

// One data exchange between a dialog's members and its controls. The module only attaches
// controls, which is the same in either direction, so the direction is not kept.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL /*saveAndValidate*/) : m_pDlgWnd(dialog) {}
  CDialog* m_pDlgWnd;
};

// Attaches control to the dialog's control id (once; an attached control stays as it is).
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  virtual ~CDialog();

  // Runs the dialog until it ends: the result given to EndDialog (IDOK, IDCANCEL), or -1
  // when the template cannot be found.
  INT_PTR DoModal();
  void EndDialog(int result);
  // Runs DoDataExchange in the given direction.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

 protected:
  virtual void DoDataExchange(CDataExchange* pDX);
  // Exchanges data into the controls; TRUE lets the dialog manager set the focus.
  virtual BOOL OnInitDialog();
  // The default button: takes the data back from the controls and ends with IDOK.
  virtual void OnOK();
  // Cancel, Escape or the close box: ends with IDCANCEL.
  virtual void OnCancel();

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;  // owner of the dialog's window; null: none

 private:
  friend struct DialogBackend;  // the platform's modal loop, in its dialog.cpp
};
