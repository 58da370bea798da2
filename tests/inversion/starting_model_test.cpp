#include "inversion/starting_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace layra {
namespace {

TEST(BuildStartingModel, SpacingsOneToHundredGrowByAQuarterBelowFiftyOne) {
  std::vector<float> spacings, rho;
  for (int i = 1; i <= 100; i += 3) {
    spacings.push_back(static_cast<float>(i));
    rho.push_back(static_cast<float>(10 * i));
  }
  spacings.back() = 100.0f;
  LayeredModel model;
  const int layers = BuildStartingModel(
      spacings.data(), rho.data(), static_cast<int>(spacings.size()), 1.25f, model);
  ASSERT_EQ(layers, model.layerCount);
  ASSERT_GE(layers, 2);
  EXPECT_FLOAT_EQ(model.depthTop[0], 0.0f);
  EXPECT_FLOAT_EQ(model.thickness[0], 0.51f);
  EXPECT_FLOAT_EQ(model.depthTop[1], 0.51f);
  for (int j = 1; j < layers - 1; ++j) {
    EXPECT_NEAR(model.thickness[j] / model.thickness[j - 1], 1.25f, 1e-5) << "layer " << j;
    EXPECT_NEAR(model.depthTop[j + 1], model.depthTop[j] + model.thickness[j], 1e-4);
  }
  // The deepest interface is the last one above 0.51 x the last spacing.
  const float deepest = model.depthTop[layers - 1];
  EXPECT_LT(deepest, 51.0f);
  EXPECT_GE(deepest + 1.25f * model.thickness[layers - 2], 51.0f);
  double log_sum = 0.0;
  for (float r : rho) log_sum += std::log(r);
  const float mean = static_cast<float>(std::exp(log_sum / rho.size()));
  for (int j = 0; j < layers; ++j) EXPECT_NEAR(model.resistivity[j], mean, 1e-3f * mean);
}

// Equal first and last spacings leave room for one layer; a huge spacing
// range stops at the layer capacity.
TEST(BuildStartingModel, SpacingRangeEdges) {
  const std::vector<float> rho = {5.0f, 6.0f, 7.0f, 8.0f, 9.0f};
  const std::vector<float> equal = {10.0f, 10.0f, 10.0f, 10.0f, 10.0f};
  const std::vector<float> huge = {1e-3f, 1.0f, 1e3f, 1e6f, 1e9f};
  LayeredModel model;
  EXPECT_EQ(BuildStartingModel(equal.data(), rho.data(), 5, 1.25f, model), 1);
  EXPECT_EQ(BuildStartingModel(huge.data(), rho.data(), 5, 1.25f, model), kMaxLayers);
}

}  // namespace
}  // namespace layra
