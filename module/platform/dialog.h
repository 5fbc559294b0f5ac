// The framework's modal dialog: DoModal builds the dialog's window from its template, runs
// OnInitDialog, and passes keys on until OnOK or OnCancel ends it. On POSIX the dialog is drawn
// on the controlling terminal (see terminal_dialog.h).
#pragma once

#include "platform/afx.h"
#include "platform/collections.h"

class CDialog;
class DialogWindow;  // the dialog's window and its controls, while DoModal runs

// The direction of one data exchange between a dialog's members and its controls.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
  BOOL m_bSaveAndValidate;  // TRUE: controls to members
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
  // The window of control id, or null.
  void GetDlgItem(int id, HWND* control) const;
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

 private:
  friend void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
  void RunModalLoop();
  // What the close box does, made final: a dialog that no one can see any more must end.
  void EndAsClosed();

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  DialogWindow* m_window = nullptr;
};
