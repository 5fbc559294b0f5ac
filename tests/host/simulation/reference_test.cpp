// Simulated vectors matched to channels and put on the measured time axis.
#include "simulation/reference.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

using scopehost::Interpolated;
using scopehost::SimulationError;

TEST(Interpolated, LinearInsideExactAtPointsAndNothingOutside) {
  const std::vector<double> times = {0.0, 1.0, 1.0, 3.0};
  const std::vector<double> values = {0.0, 2.0, 4.0, 0.0};
  const std::vector<double> at = {-0.5, 0.0, 0.25, 1.0, 2.0, 3.0, 3.5};
  const std::vector<double> result = Interpolated(times, values, at);
  EXPECT_TRUE(std::isnan(result[0]));
  EXPECT_THAT(std::vector(result.begin() + 1, result.end() - 1),
              ::testing::ElementsAre(0.0, 0.5, 2.0, 2.0, 0.0));
  EXPECT_TRUE(std::isnan(result.back()));
}

class ReferenceFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(directory_);
    std::ofstream(directory_ / "ch2.txt") << "0 0\n1 1\n";
  }

  std::string File() const { return (directory_ / "ch2.txt").string(); }

  scopehost::Waveforms Measured() const {
    scopehost::Waveforms waveforms;
    waveforms.abscissaValues = {0.0, 0.5, 1.5};
    waveforms.channels = {{"ch1", {1, 1, 1}}, {"ch2", {0, 0.5, 1}}};
    return waveforms;
  }

  std::string ErrorOf(const std::string& argument) const {
    try {
      MatchReferences({scopehost::LoadReferenceSource(argument)}, Measured());
    } catch (const SimulationError& error) {
      return error.what();
    }
    return "no error";
  }

  std::filesystem::path directory_ = std::filesystem::path(::testing::TempDir()) / "references";
};

TEST_F(ReferenceFiles, ByNameOrByPairAndShownWhereTheyCover) {
  for (const std::string& argument : {File(), File() + ":ch2=ch2", File() + ":CH2=ch1"}) {
    const auto references = MatchReferences({scopehost::LoadReferenceSource(argument)}, Measured());
    ASSERT_EQ(references.size(), 1u) << argument;
    EXPECT_EQ(references[0].file, File());
    EXPECT_EQ(references[0].vector, "ch2");
    EXPECT_EQ(references[0].values[1], 0.5);
    EXPECT_TRUE(std::isnan(references[0].values[2]));
  }
  EXPECT_EQ(
      MatchReferences({scopehost::LoadReferenceSource(File() + ":ch2=ch1")}, Measured())[0].channel,
      "ch1");
}

TEST_F(ReferenceFiles, MismatchesNameTheFileAndWhatIsMissing) {
  EXPECT_EQ(ErrorOf(File() + ":v(out)=ch2"), File() + ": no vector \"v(out)\"");
  EXPECT_EQ(ErrorOf(File() + ":ch2=ch4"), File() + ": no acquired channel \"ch4\"");
  // Not a list of pairs after the colon: all of it is the file's name.
  EXPECT_EQ(ErrorOf(File() + ":ch2"), File() + ":ch2: cannot open the file");
}

}  // namespace
