#include "gpib/gpib_api.h"

#include "driver/messages.h"
#include "resources/resource.h"

GpibApi Gpib;

namespace {

// Looks one exported name up; a missing name leaves the slot null and the binding incomplete.
template <typename Entry>
void Bind(const char* name, Entry& slot, bool& complete) {
  // Through void*: an entry may be a variable, and Windows types every export as a function.
  slot = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(Gpib.library, name)));
  complete = complete && slot != nullptr;
}

}  // namespace

bool LoadGpibApi() {
  Gpib.library = LoadLibraryA("gpib-32.dll");
  if (Gpib.library != nullptr) {
    // Every name is looked up, in this order, even after one is missing.
    bool complete = true;
    Bind("user_ibsta", Gpib.ibsta, complete);
    Bind("user_iberr", Gpib.iberr, complete);
    Bind("user_ibcntl", Gpib.ibcntl, complete);
    Bind("user_ibcnt", Gpib.ibcnt, complete);
    Bind("ibclr", Gpib.ibclr, complete);
    Bind("ibdev", Gpib.ibdev, complete);
    Bind("ibonl", Gpib.ibonl, complete);
    Bind("ibrd", Gpib.ibrd, complete);
    Bind("ibrsp", Gpib.ibrsp, complete);
    Bind("ibtrg", Gpib.ibtrg, complete);
    Bind("ibwait", Gpib.ibwait, complete);
    Bind("ibwrt", Gpib.ibwrt, complete);
    Bind("ibfindA", Gpib.ibfind, complete);
    Bind("ibloc", Gpib.ibloc, complete);
    Bind("ibtmo", Gpib.ibtmo, complete);
    Bind("DevClear", Gpib.DevClear, complete);
    Bind("FindLstn", Gpib.FindLstn, complete);
    Bind("ReadStatusByte", Gpib.ReadStatusByte, complete);
    Bind("Receive", Gpib.Receive, complete);
    Bind("Send", Gpib.Send, complete);
    Bind("SendIFC", Gpib.SendIFC, complete);
    Bind("WaitSRQ", Gpib.WaitSRQ, complete);
    if (complete) return true;
    FreeLibrary(Gpib.library);
    Gpib.library = nullptr;
  }
  ReportMessage(IDS_GPIB_LIBRARY_MISSING);
  return false;
}

void UnloadGpibApi() {
  FreeLibrary(Gpib.library);
  Gpib.library = nullptr;
}
