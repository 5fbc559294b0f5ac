// Binding the GPIB library for one call (the simulated library is linked into this test, so
// the module's dlopen finds it by its soname).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "gpib/gpib_api.h"
#include "support/module_harness.h"

namespace {

template <typename... Entry>
bool AllSet(Entry... entries) {
  return ((entries != nullptr) && ...);
}

TEST(GpibBinding, BindsAllEntriesAndReleases) {
  testing_support::ModuleHost host;
  ASSERT_TRUE(LoadGpibApi());
  EXPECT_NE(Gpib.library, nullptr);
  EXPECT_TRUE(AllSet(Gpib.ibsta, Gpib.iberr, Gpib.ibcntl, Gpib.ibcnt, Gpib.ibclr, Gpib.ibdev,
                     Gpib.ibonl, Gpib.ibrd, Gpib.ibrsp, Gpib.ibtrg, Gpib.ibwait, Gpib.ibwrt,
                     Gpib.ibfind, Gpib.ibloc, Gpib.ibtmo, Gpib.DevClear, Gpib.FindLstn,
                     Gpib.ReadStatusByte, Gpib.Receive, Gpib.Send, Gpib.SendIFC, Gpib.WaitSRQ));
  // The status variables are the library's own, read where they live.
  EXPECT_EQ(Gpib.ibsta, dlsym(Gpib.library, "user_ibsta"));
  UnloadGpibApi();
  EXPECT_EQ(Gpib.library, nullptr);
  UnloadGpibApi();  // unbound: nothing to release
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
