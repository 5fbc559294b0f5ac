// The platform stand-ins that carry logic of their own.
#include <gtest/gtest.h>

#include <string>

#include "platform/afx.h"
#include "platform/posix/compiled_resources.h"
#include "resources/resource.h"
#include "support/module_harness.h"

namespace {

std::string Mapped(const char* name) {
  char out[256];
  return MapLibraryName(name, out, sizeof out);
}

TEST(LoadLibrary, DllNamesMapToSharedObjects) {
  EXPECT_EQ(Mapped("gpib-32.dll"), "libgpib-32.so");
  EXPECT_EQ(Mapped("QuenLang70.DLL"), "libQuenLang70.so");
  EXPECT_EQ(Mapped("/opt/lang/de.dll"), "/opt/lang/de.dll") << "a path stands as it is";
  EXPECT_EQ(Mapped("libfoo.so"), "libfoo.so");
  EXPECT_EQ(Mapped(".dll"), ".dll");
}

TEST(LoadLibrary, MissingLibraryAndNullHandles) {
  EXPECT_EQ(LoadLibraryA("no-such-library-here.dll"), nullptr);
  EXPECT_EQ(FreeLibrary(nullptr), FALSE);
  EXPECT_EQ(GetProcAddress(nullptr, "ibrd"), nullptr);
  EXPECT_EQ(SendMessageA(nullptr, PBM_STEPIT, 0, 0), 0);
}

TEST(CStringTest, FormatsAndCopies) {
  CString text;
  EXPECT_STREQ(text, "");
  text.Format("%s-[DEV%i]", "TEKTRONIX", 17);
  CString copy = text;
  text = "other";
  EXPECT_STREQ(copy, "TEKTRONIX-[DEV17]");
  // A host reads the text through the object's one pointer.
  EXPECT_STREQ(*reinterpret_cast<char* const*>(&copy), "TEKTRONIX-[DEV17]");
}

TEST(CStringTest, LoadStringThroughTheCurrentResourceHandle) {
  AFX_MODULE_STATE* state = AfxGetModuleState();
  const HINSTANCE saved = state->m_hCurrentResourceHandle;
  state->m_hCurrentResourceHandle = testing_support::TestModuleInstance();
  CString text;
  EXPECT_TRUE(text.LoadString(IDS_SEND_IFC));
  EXPECT_STREQ(text, "Send IFC !");
  EXPECT_FALSE(text.LoadString(99));
  EXPECT_STREQ(text, "");
  CString formatted;
  AfxFormatString1(formatted, IDS_CANT_OPEN_HAMEG, "%1x");  // no re-substitution
  EXPECT_STREQ(formatted, "Cant open Hameg at %1x !");
  state->m_hCurrentResourceHandle = saved;
}

TEST(Resources, ChooserTemplateIsFoundThroughTheLibraryChain) {
  AFX_MODULE_STATE* state = AfxGetModuleState();
  const HINSTANCE saved = state->m_hCurrentResourceHandle;
  state->m_hCurrentResourceHandle = nullptr;  // the host's own resources
  const DialogTemplate* chooser =
      AfxFindDialogTemplate(AfxFindResourceHandle(IDD_CHOOSE_DEVICE), IDD_CHOOSE_DEVICE);
  ASSERT_NE(chooser, nullptr);
  EXPECT_STREQ(chooser->caption, "Choose device");
  EXPECT_EQ(chooser->controlCount, 3);
  EXPECT_EQ(chooser->controls[2].id, IDC_DEVICE_LIST);
  EXPECT_EQ(chooser->controls[2].style, 0x50A10103u);
  EXPECT_EQ(AfxFindResourceHandle(131), nullptr);
  state->m_hCurrentResourceHandle = saved;
}

}  // namespace
