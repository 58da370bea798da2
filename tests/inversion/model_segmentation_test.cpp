#include "inversion/model_segmentation.h"

#include <gtest/gtest.h>

namespace layra {
namespace {

LayeredModel Many(const std::vector<float>& rho, const std::vector<float>& h) {
  LayeredModel model;
  model.layerCount = static_cast<int>(rho.size());
  for (size_t i = 0; i < rho.size(); ++i) model.resistivity[i] = rho[i];
  for (size_t i = 0; i < h.size(); ++i) model.thickness[i] = h[i];
  return model;
}

// Three blocks of similar layers become three layers with their total
// thicknesses and weighted geometric means; the half-space stays last.
TEST(SegmentModel, MergesTheLeastDifferentNeighbours) {
  const LayeredModel model =
      Many({100, 100, 10, 10, 10, 1000, 1000}, {1, 3, 2, 2, 4, 10});  // last is the half-space
  const LayeredModel three = SegmentModel(model, 3);
  ASSERT_EQ(three.layerCount, 3);
  EXPECT_FLOAT_EQ(three.resistivity[0], 100.0f);
  EXPECT_FLOAT_EQ(three.thickness[0], 4.0f);
  EXPECT_FLOAT_EQ(three.resistivity[1], 10.0f);
  EXPECT_FLOAT_EQ(three.thickness[1], 8.0f);
  EXPECT_FLOAT_EQ(three.resistivity[2], 1000.0f);
  EXPECT_FLOAT_EQ(three.depthTop[2], 12.0f);
  // Two layers of 1 m at 10 and 3 m at 1000: 10^((1 + 9) / 4) = 316.
  const LayeredModel two = SegmentModel(Many({10, 1000, 5}, {1, 3}), 2);
  ASSERT_EQ(two.layerCount, 2);
  EXPECT_FLOAT_EQ(two.resistivity[0], 316.0f);  // three significant digits
  EXPECT_FLOAT_EQ(two.thickness[0], 4.0f);
  // A model with no more layers than asked for is kept.
  EXPECT_EQ(SegmentModel(Many({10, 20}, {5}), 4).layerCount, 2);
}

}  // namespace
}  // namespace layra
