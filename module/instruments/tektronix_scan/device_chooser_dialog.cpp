#include "instruments/tektronix_scan/device_chooser_dialog.h"

#include <memory>

#include "resources/resource.h"

DeviceChooserDialog::DeviceChooserDialog(CWnd* parent) : CDialog(IDD_CHOOSE_DEVICE, parent) {}

DeviceChooserDialog::~DeviceChooserDialog() {
  for (INT_PTR i = 0; i < m_entries.GetSize(); ++i) delete static_cast<DeviceEntry*>(m_entries[i]);
}

void DeviceChooserDialog::AddEntry(const char* name, int address) {
  auto entry = std::make_unique<DeviceEntry>(DeviceEntry{address, CString()});
  entry->label.Format("%s-[DEV%i]", name, address);
  m_entries.Add(entry.get());
  entry.release();  // m_entries owns it now
}

void DeviceChooserDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_DEVICE_LIST, m_listBox);
}

BOOL DeviceChooserDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  // Each line goes to an explicit position: the list box would sort added lines by text
  // ("DEV17" before "DEV4"), and the lines are to stay in bus order.
  for (INT_PTR i = 0; i < m_entries.GetSize(); ++i) {
    const auto* entry = static_cast<const DeviceEntry*>(m_entries[i]);
    const int line = static_cast<int>(i);
    m_listBox.InsertString(line, entry->label);
    m_listBox.SetItemData(line, static_cast<DWORD_PTR>(entry->address));
  }
  m_listBox.SetCurSel(0);
  return TRUE;
}

void DeviceChooserDialog::OnOK() {
  m_chosenAddress = static_cast<int>(m_listBox.GetItemData(m_listBox.GetCurSel()));
  CDialog::OnOK();
}
