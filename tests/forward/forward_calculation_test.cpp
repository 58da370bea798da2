#include "forward/forward_calculation.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/recording_canvas.h"
#include "tests/support/scripted_host.h"

namespace layra {
namespace {

using testing::RecordingCanvas;
using testing::ScriptedHost;

std::unique_ptr<ForwardModel> TwoLayerModel(DataKind kind) {
  auto model = std::make_unique<ForwardModel>();
  model->modelKind = kind;
  model->arrayType = ArrayType::kSchlumberger;
  model->model.layerCount = 2;
  model->model.resistivity[0] = 100.0f;
  model->model.resistivity[1] = 10.0f;
  model->model.thickness[0] = 10.0f;
  model->model.chargeability[0] = 0.01f;
  model->model.chargeability[1] = 0.2f;
  model->model.timeConstant[0] = 0.01f;
  model->model.timeConstant[1] = 0.1f;
  model->model.exponent[0] = 0.5f;
  model->model.exponent[1] = 0.5f;
  model->spacingCount = 2;
  model->spacings[0] = 10.0f;
  model->spacings[1] = 100.0f;
  return model;
}

TEST(CalculateForwardResponse, ListsResistivityWithTheTwoLayerCheckValue) {
  auto model = TwoLayerModel(DataKind::kResistivity);
  RecordingCanvas canvas;
  ScriptedHost host;
  ASSERT_TRUE(CalculateForwardResponse(*model, canvas, 16, host));
  auto lines = canvas.TextLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "No.   Spacing    App. Res.");
  EXPECT_EQ(lines[1], " 1       10.00         86.91");
  EXPECT_EQ(canvas.texts()[0].y, 16) << "the heading starts one line height from the top";
  EXPECT_EQ(canvas.texts()[0].x, 8);
  EXPECT_TRUE(host.messages.empty());
}

TEST(CalculateForwardResponse, IpModelAddsTheChargeabilityColumn) {
  auto model = TwoLayerModel(DataKind::kIp);
  RecordingCanvas canvas;
  ScriptedHost host;
  ASSERT_TRUE(CalculateForwardResponse(*model, canvas, 16, host));
  auto lines = canvas.TextLines();
  EXPECT_EQ(lines[0], "No.   Spacing    App. Res.    Chargeability");
  EXPECT_EQ(lines[1].substr(0, 28), " 1       10.00         86.91");
  EXPECT_EQ(lines[1].size(), 28u + 14u);
  EXPECT_GT(model->calcIp[1], model->calcIp[0]) << "the polarisable half-space shows at depth";
}

TEST(CalculateForwardResponse, SipModelComputesTheSpectrumAndSaysSo) {
  auto model = TwoLayerModel(DataKind::kSip);
  model->frequencyCount = 2;
  model->frequencies[0] = 1.0f;
  model->frequencies[1] = 10.0f;
  RecordingCanvas canvas;
  ScriptedHost host;
  ASSERT_TRUE(CalculateForwardResponse(*model, canvas, 16, host));
  EXPECT_EQ(canvas.clear_count(), 1) << "the listing is cleared after the message";
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Calculations completed");
  EXPECT_EQ(host.messages[0].caption, "Message");
  for (int k = 0; k < 4; ++k) {
    EXPECT_GT(model->amplitude[k], 0.0f) << k;
    EXPECT_GT(model->phase[k], 0.0f) << k;
  }
}

TEST(CalculateForwardResponse, AccurateEngineSaysSoAndRefusesAnImpossibleModel) {
  auto model = TwoLayerModel(DataKind::kIp);
  RecordingCanvas canvas;
  ScriptedHost host;
  ASSERT_TRUE(CalculateForwardResponse(*model, canvas, 16, host, EngineKind::kAccurate));
  auto lines = canvas.TextLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Engine: accurate");
  EXPECT_EQ(lines[1], "No.   Spacing    App. Res.    Chargeability");
  EXPECT_NEAR(model->calcResistivity[0], 86.91f, 0.1f) << "the documented check value";
  EXPECT_GT(model->calcIp[1], model->calcIp[0]);

  model->model.chargeability[1] = 1.0f;
  model->calcIp[0] = 123.0f;
  EXPECT_FALSE(CalculateForwardResponse(*model, canvas, 16, host, EngineKind::kAccurate));
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(model->calcIp[0], 123.0f) << "nothing was written";
}

TEST(CalculateForwardResponse, RefusesWithoutAModel) {
  auto model = std::make_unique<ForwardModel>();
  model->calcResistivity[0] = 123.0f;
  RecordingCanvas canvas;
  ScriptedHost host;
  EXPECT_FALSE(CalculateForwardResponse(*model, canvas, 16, host));
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_TRUE(canvas.texts().empty());
  EXPECT_EQ(model->calcResistivity[0], 123.0f) << "nothing was computed";
}

}  // namespace
}  // namespace layra
