// Where message texts come from and how they reach the host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "driver/messages.h"
#include "driver/module_globals.h"
#include "resources/resource.h"
#include "support/module_harness.h"

namespace {

using testing::ElementsAre;
using testing_support::ModuleHost;

// Restores the module's own table whatever a test chose.
class Messages : public testing::Test {
 protected:
  void TearDown() override { testing_support::RestartModule(nullptr); }
};

TEST_F(Messages, OwnTableTextsExactly) {
  ModuleHost host;
  ReportMessage(IDS_GPIB_LIBRARY_MISSING);
  ReportMessage(IDS_NO_ANSWER);
  ReportMessage(IDS_NO_MEMORY);
  ReportFormattedMessage(IDS_CANT_OPEN_HAMEG, "DEV2");
  ReportFormattedMessage(IDS_CANT_OPEN_PHILIPS, "DEV8");
  ReportPrintfMessage(IDS_DID_NOT_FIND, "TEKTRONIX");
  EXPECT_THAT(host.messages,
              ElementsAre("Cannot find or open the file \"gpib-32.DLL\"  !", "No Answer",
                          "No enought memory !", "Cant open Hameg at DEV2 !",
                          "Cant open Philips at DEV8 !", "Did not find the TEKTRONIX !"));
}

TEST_F(Messages, NoCallbackDropsTheMessage) {
  Module().Callback = nullptr;
  ReportMessage(IDS_NO_ANSWER);  // reaches nobody, harms nothing
  ModuleHost host;
  ReportMessage(IDS_SEND_ERROR);
  EXPECT_THAT(host.messages, ElementsAre("Send error !"));
}

HINSTANCE seenDuringCallback = nullptr;
int RecordResourceHandle(void*, const CString*) {
  seenDuringCallback = AfxGetModuleState()->m_hCurrentResourceHandle;
  return 0;
}

TEST_F(Messages, HostResourceHandleIsBackBeforeTheCallback) {
  int hostMarker = 0;
  AfxGetModuleState()->m_hCurrentResourceHandle = &hostMarker;
  Module().Callback = &RecordResourceHandle;
  ReportFormattedMessage(IDS_CANT_OPEN_HAMEG, "DEV1");
  Module().Callback = nullptr;
  EXPECT_EQ(seenDuringCallback, &hostMarker);
  EXPECT_EQ(AfxGetModuleState()->m_hCurrentResourceHandle, &hostMarker);
}

TEST_F(Messages, HostResourceHandleDoesNotChooseTheText) {
  ModuleHost host;
  AfxGetModuleState()->m_hCurrentResourceHandle = nullptr;  // a handle without our table
  ReportMessage(IDS_INVALID_DEVICE);
  EXPECT_THAT(host.messages, ElementsAre("Invalid device !"));
}

TEST_F(Messages, GermanModuleNamedByTheLanguageService) {
  testing_support::RestartModule(GPIBSCOPE_GERMAN_MODULE);
  EXPECT_NE(Module().ResourceModule, Module().Instance);
  ModuleHost host;
  ReportMessage(IDS_NO_ANSWER);
  ReportFormattedMessage(IDS_CANT_OPEN_HAMEG, "DEV1");
  ReportPrintfMessage(IDS_DID_NOT_FIND, "TEKTRONIX");
  EXPECT_THAT(host.messages,
              ElementsAre("Keine Antwort", "Hameg an DEV1 kann nicht geöffnet werden !",
                          "TEKTRONIX nicht gefunden !"));
}

TEST_F(Messages, MissingIdInLanguageModuleFallsBackToOwnText) {
  testing_support::RestartModule(GPIBSCOPE_PARTIAL_LANGUAGE_MODULE);
  ModuleHost host;
  ReportMessage(IDS_NO_ANSWER);   // the partial module has it
  ReportMessage(IDS_SEND_ERROR);  // it does not
  ReportFormattedMessage(IDS_CANT_OPEN_PHILIPS, "DEV8");
  EXPECT_THAT(host.messages,
              ElementsAre("Pas de réponse", "Send error !", "Cant open Philips at DEV8 !"));
}

TEST_F(Messages, UnusableLanguageModuleKeepsOwnTable) {
  for (const char* path : {"", "/nonexistent/lang.so", GPIBSCOPE_NOT_A_LIBRARY}) {
    testing_support::RestartModule(path);
    EXPECT_EQ(Module().ResourceModule, Module().Instance) << path;
    ModuleHost host;
    ReportMessage(IDS_NO_ANSWER);
    EXPECT_THAT(host.messages, ElementsAre("No Answer")) << path;
  }
}

}  // namespace
