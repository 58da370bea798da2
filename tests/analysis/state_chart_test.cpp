// The workspace plot of a sounding document, from the example files read as
// the desktop reads them: one IP unit for data, model and calculated values;
// the readings of each MN/2 segment; the spectra of SIP data.

#include "analysis/state_chart.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "inversion/sounding_document.h"

namespace layra {
namespace {

std::unique_ptr<SoundingDocument> Read(const std::string& example) {
  DiscardingSink quiet;
  auto document = ReadSoundingDocument(std::string(LAYRA_EXAMPLES_DIR "/") + example, quiet);
  EXPECT_NE(document, nullptr) << example;
  return document;
}

// Chargeabilities are shown in the file's own unit, msec here: the data as
// read, the model's and the calculated ones (fractions in the run) in it
// too, and the axis says so.
TEST(StateChart, ShowsDataModelAndFitInTheFilesIpUnit) {
  std::unique_ptr<SoundingDocument> state = Read("ip_chargeability.dat");
  ChartInput chart = StateChart(*state, nullptr, StateChartOptions{});
  EXPECT_EQ(chart.ipTitle, "Chargeability (msec)");
  ASSERT_EQ(chart.observedIp.size(), 12u);
  EXPECT_NEAR(chart.observedIp[0], 6.64, 1e-5);
  EXPECT_TRUE(chart.wenner);
  EXPECT_TRUE(chart.runs.empty()) << "no run yet: the data alone";

  SoundingRun run;
  LayeredModel& model = run.outcome.model;
  model.layerCount = 2;
  model.resistivity[0] = 100.0f;
  model.resistivity[1] = 300.0f;
  model.thickness[0] = 5.0f;
  model.chargeability[0] = 0.02f;
  run.outcome.calculatedIp[3] = 0.03f;
  run.outcome.finalMisfit = 0.0231f;
  state->excluded[4] = 1;
  StateChartOptions options;
  options.runLabel = "Automatic inversion";
  chart = StateChart(*state, &run, options);
  ASSERT_EQ(chart.runs.size(), 1u);
  EXPECT_NEAR(chart.runs[0].model.chargeability[0], 20.0, 1e-4);
  EXPECT_NEAR(chart.runs[0].calculatedIp[3], 30.0, 1e-4);
  EXPECT_EQ(chart.runs[0].model.thickness, (std::vector<double>{5.0}));
  EXPECT_EQ(chart.runs[0].notes.front(), "RMS 2.31 %");
  EXPECT_TRUE(chart.leftOut[4]);
  EXPECT_FALSE(chart.leftOut[3]);

  state->data.ipUnitText = "";  // no unit line: thousandths for values of 1 and more
  EXPECT_EQ(IpUnitOf(state->data).title, "Chargeability (mV/V)");
}

// The axis names the file's unit as it is usually written, and the
// quantity; a unit line it does not know leaves the values' own scale.
TEST(IpUnitOf, NamesTheFilesUnit) {
  const struct {
    const char* line;
    IpQuantity quantity;
    float value;
    const char* title;
    double fraction;
  } cases[] = {
      {"msec", IpQuantity::kChargeability, 20.0f, "Chargeability (msec)", 0.001},
      {"MV/V", IpQuantity::kChargeability, 20.0f, "Chargeability (mV/V)", 0.001},
      {"percent", IpQuantity::kPercentFrequencyEffect, 2.0f, "Frequency effect (%)", 0.01},
      {"mrad", IpQuantity::kPhaseAngle, 20.0f, "Phase angle (mrad)", 0.001},
      {"", IpQuantity::kMetalFactor, 0.02f, "Metal factor (V/V)", 1.0},
      {"units", IpQuantity::kChargeability, 12.0f, "Chargeability (mV/V)", 0.001},
  };
  for (const auto& c : cases) {
    SoundingData data;
    data.dataKind = DataKind::kIp;
    data.pointCount = 1;
    data.ipValue[0] = c.value;
    data.ipUnitText = c.line;
    data.ipQuantity = c.quantity;
    const ChartIpUnit unit = IpUnitOf(data);
    EXPECT_EQ(unit.title, c.title) << c.line;
    EXPECT_DOUBLE_EQ(unit.fraction, c.fraction) << c.line;
  }
}

TEST(StateChart, ShowsTheReadingsOfEachSegmentBesideTheMergedCurve) {
  const std::unique_ptr<SoundingDocument> state = Read("schlumberger_two_levels.dat");
  const ChartInput chart = StateChart(*state, nullptr, StateChartOptions{});
  EXPECT_FALSE(chart.wenner);
  ASSERT_EQ(chart.segments.size(), 2u);
  EXPECT_EQ(chart.segments[1].mn, 5.0);
  EXPECT_EQ(chart.segments[0].spacing.size() + chart.segments[1].spacing.size(), 22u);
  EXPECT_LT(chart.spacing.size(), 22u) << "the merged curve drops the coincident readings";
  // Wenner readings have no segments.
  EXPECT_TRUE(StateChart(*Read("wenner.dat"), nullptr, StateChartOptions{}).segments.empty());
}

TEST(StateChart, ShowsTheSpectraOfSipData) {
  const std::unique_ptr<SoundingDocument> state = Read("sip_amplitude_phase.dat");
  const ChartInput chart = StateChart(*state, nullptr, StateChartOptions{});
  ASSERT_EQ(chart.spectra.size(), 6u);
  EXPECT_EQ(ChartPageCount(chart), 3);
  EXPECT_DOUBLE_EQ(chart.spectra[1].frequency, 0.5);
  const SoundingData& data = state->data;
  EXPECT_DOUBLE_EQ(chart.spectra[2].observedAmplitude[3], data.sipValue1[3 * 6 + 2]);
  EXPECT_DOUBLE_EQ(chart.spectra[2].observedPhase[3], data.sipValue2[3 * 6 + 2]);
  EXPECT_EQ(chart.ipTitle, "Chargeability (mV/V)");
  EXPECT_NEAR(chart.observedIp[0], 1000.0 * data.ipValue[0], 1e-3);
}

}  // namespace
}  // namespace layra
