#include "forward/forward_calculation.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>

#include "tests/support/recording_sink.h"

namespace layra {
namespace {

using testing::RecordingSink;

class CalculateForwardResponseTest : public ::testing::Test {
 protected:
  RecordingSink host;  // the listing, messages and beeps
};

// 100 ohm-m, 10 m thick, over 10 ohm-m; the half-space the more polarisable.
std::unique_ptr<ForwardModel> TwoLayerModel(DataKind kind) {
  auto model = std::make_unique<ForwardModel>();
  model->modelKind = kind;
  model->arrayType = ArrayType::kSchlumberger;
  LayeredModel& m = model->model;
  m.layerCount = 2;
  m.thickness[0] = 10.0f;
  std::tie(m.resistivity[0], m.resistivity[1]) = std::pair(100.0f, 10.0f);
  std::tie(m.chargeability[0], m.chargeability[1]) = std::pair(0.01f, 0.2f);
  std::tie(m.timeConstant[0], m.timeConstant[1]) = std::pair(0.01f, 0.1f);
  m.exponent[0] = m.exponent[1] = 0.5f;
  model->spacingCount = 2;
  std::tie(model->spacings[0], model->spacings[1]) = std::pair(10.0f, 100.0f);
  return model;
}

TEST_F(CalculateForwardResponseTest, ListsResistivityWithTheTwoLayerCheckValue) {
  auto model = TwoLayerModel(DataKind::kResistivity);
  ASSERT_TRUE(CalculateForwardResponse(*model, host));
  auto lines = host.TextLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "No.   Spacing    App. Res.");
  EXPECT_EQ(lines[1], " 1       10.00         86.91");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CalculateForwardResponseTest, IpModelAddsTheChargeabilityColumn) {
  auto model = TwoLayerModel(DataKind::kIp);
  ASSERT_TRUE(CalculateForwardResponse(*model, host));
  auto lines = host.TextLines();
  EXPECT_EQ(lines[0], "No.   Spacing    App. Res.    Chargeability");
  EXPECT_EQ(lines[1].substr(0, 28), " 1       10.00         86.91");
  EXPECT_EQ(lines[1].size(), 28u + 14u);
  EXPECT_GT(model->calcIp[1], model->calcIp[0]) << "the polarisable half-space shows at depth";
}

TEST_F(CalculateForwardResponseTest, SipModelComputesTheSpectrumAndSaysSo) {
  auto model = TwoLayerModel(DataKind::kSip);
  model->frequencyCount = 2;
  model->frequencies[0] = 1.0f;
  model->frequencies[1] = 10.0f;
  ASSERT_TRUE(CalculateForwardResponse(*model, host));
  EXPECT_EQ(host.TextLines().back(), "Complex model");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Calculations completed");
  EXPECT_EQ(host.messages[0].caption, "Message");
  for (int k = 0; k < 4; ++k) {
    EXPECT_GT(model->amplitude[k], 0.0f) << k;
    EXPECT_GT(model->phase[k], 0.0f) << k;
  }
}

TEST_F(CalculateForwardResponseTest, AccurateEngineSaysSoAndRefusesAnImpossibleModel) {
  auto model = TwoLayerModel(DataKind::kIp);
  ASSERT_TRUE(CalculateForwardResponse(*model, host, EngineKind::kAccurate));
  auto lines = host.TextLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Engine: accurate");
  EXPECT_EQ(lines[1], "No.   Spacing    App. Res.    Chargeability");
  EXPECT_NEAR(model->calcResistivity[0], 86.91f, 0.1f) << "the documented check value";
  EXPECT_GT(model->calcIp[1], model->calcIp[0]);

  model->model.chargeability[1] = 1.0f;
  model->calcIp[0] = 123.0f;
  EXPECT_FALSE(CalculateForwardResponse(*model, host, EngineKind::kAccurate));
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(model->calcIp[0], 123.0f) << "nothing was written";
}

TEST_F(CalculateForwardResponseTest, RefusesWithoutAModel) {
  auto model = std::make_unique<ForwardModel>();
  model->calcResistivity[0] = 123.0f;
  EXPECT_FALSE(CalculateForwardResponse(*model, host));
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_TRUE(host.lines.empty());
  EXPECT_EQ(model->calcResistivity[0], 123.0f) << "nothing was computed";
}

}  // namespace
}  // namespace layra
