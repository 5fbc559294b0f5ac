// The viewer page writer: the acquisition as the page's script reads it, and the template's
// single placeholder.
#include "writing/html_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "support/scopehost_runner.h"
#include "writing/output_file.h"

namespace hosttest {
namespace {

using scopehost::OutputError;

scopehost::Waveforms TwoPoints(std::string deviceName) {
  scopehost::Waveforms waveforms;
  waveforms.type = 2;
  waveforms.deviceName = std::move(deviceName);
  waveforms.abscissaValues = {0.0, 4.0000000000000003e-07};
  waveforms.channels = {{"ch1", {0.1, std::nan("")}}};
  waveforms.durationSeconds = 0.25;
  return waveforms;
}

std::string Read(const std::filesystem::path& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(AcquisitionJson, KeepsEveryValueExactAndCannotEndItsScriptElement) {
  const std::string json = scopehost::AcquisitionJson(TwoPoints("TDS \"540\"</script>\n"));
  EXPECT_THAT(
      json, ::testing::StartsWith(R"j({"header":[["device","TDS \"540\"\u003c/script>\u000a"],)j"
                                  R"j(["device type","2"],["points","2"],["channels","1 (ch1)"],)j"
                                  R"j(["acquired at (UTC)","1970-01-01T00:00:00Z"],)j"));
  EXPECT_THAT(json, ::testing::EndsWith(
                        R"j(["duration (s)","0.25"]],"columns":[)j"
                        R"j({"name":"time","unit":"s","values":[0,4.0000000000000003e-07]},)j"
                        R"j({"name":"ch1","unit":"V","values":[0.1,null]}]})j"));
  EXPECT_EQ(json.find('<'), std::string::npos);
}

TEST(WriteHtml, FillsTheOnePlaceholderOrWritesNothing) {
  const ScratchDirectory scratch;
  const auto writeTemplate = [&](const std::string& name, const std::string& text) {
    std::ofstream(scratch / name) << text;
    return scratch / name;
  };
  const scopehost::Waveforms waveforms = TwoPoints("TDS540");
  scopehost::WriteHtml(waveforms, writeTemplate("good.html", "<p>__GPIBSCOPE_ACQUISITION__</p>"),
                       scratch / "page.html");
  EXPECT_EQ(Read(scratch / "page.html"), "<p>" + scopehost::AcquisitionJson(waveforms) + "</p>");

  for (const char* text : {"<p></p>", "__GPIBSCOPE_ACQUISITION____GPIBSCOPE_ACQUISITION__"}) {
    const auto bad = writeTemplate("bad.html", text);
    EXPECT_THROW(scopehost::WriteHtml(waveforms, bad, scratch / "bad-page.html"), OutputError);
  }
  try {
    scopehost::WriteHtml(waveforms, scratch / "none.html", scratch / "bad-page.html");
    ADD_FAILURE() << "a missing template went unnoticed";
  } catch (const OutputError& error) {
    EXPECT_THAT(error.what(), ::testing::HasSubstr((scratch / "none.html").string()));
  }
  EXPECT_EQ(scratch.Entries(), (std::vector<std::string>{"bad.html", "good.html", "page.html"}));
}

}  // namespace
}  // namespace hosttest
