// The chooser shown when several instruments answer the bus scan: one line per instrument, in
// the order found, the first selected; OK keeps the address of the selected line.
#pragma once

#include "platform/afx.h"
#include "platform/collections.h"
#include "platform/dialog.h"
#include "platform/list_box.h"

// One line of the chooser.
struct DeviceEntry {
  int address;    // GPIB primary address
  CString label;  // "<search text>-[DEV<address>]"
};

class DeviceChooserDialog : public CDialog {
 public:
  explicit DeviceChooserDialog(CWnd* parent);
  ~DeviceChooserDialog() override;

  // Adds a line for the instrument at address, labelled from name and address.
  void AddEntry(const char* name, int address);

  int m_chosenAddress = -1;  // the address confirmed with OK; -1 until then
  CPtrArray m_entries;       // DeviceEntry*, owned, in the order added
  CListBox m_listBox;        // control 1000

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
};
