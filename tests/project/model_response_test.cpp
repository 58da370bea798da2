// The model being edited: its response and misfit, and the edits a drag and
// the Model table make.

#include "project/model_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

namespace layra::testing {
namespace {

LayeredModel Model(const std::vector<float>& resistivity, const std::vector<float>& thickness) {
  LayeredModel model;
  model.layerCount = static_cast<int>(resistivity.size());
  for (size_t i = 0; i < resistivity.size(); ++i) model.resistivity[i] = resistivity[i];
  for (size_t i = 0; i < thickness.size(); ++i) model.thickness[i] = thickness[i];
  UpdateDepths(model);
  return model;
}

std::vector<float> Thicknesses(const LayeredModel& model) {
  return std::vector<float>(model.thickness.begin(),
                            model.thickness.begin() + model.layerCount - 1);
}
std::vector<float> Resistivities(const LayeredModel& model) {
  return std::vector<float>(model.resistivity.begin(),
                            model.resistivity.begin() + model.layerCount);
}

// A half-space answers its own resistivity at every spacing; the misfit is
// the RMS of ln(observed / calculated) over the points left in only.
TEST(ModelResponseTest, HalfSpaceAndMisfitOfThePointsLeftIn) {
  SoundingData data;
  data.arrayType = ArrayType::kWenner;
  data.pointCount = 5;
  for (int p = 0; p < 5; ++p) {
    data.spacingA[p] = static_cast<float>(1 << p);
    data.apparentResistivity[p] = p == 2 ? 1000.0f : 100.0f * std::exp(0.1f);
  }
  std::array<unsigned char, kMaxPoints> excluded{};
  excluded[2] = 1;
  const ModelResponse response = ComputeModelResponse(data, Model({100, 100}, {5}), excluded);
  ASSERT_TRUE(response.ok);
  ASSERT_EQ(response.calculated.size(), 5u);
  for (double value : response.calculated) EXPECT_NEAR(value, 100.0, 0.1);
  EXPECT_NEAR(response.misfit, 0.1, 1e-3);
  EXPECT_FALSE(ComputeModelResponse(data, Model({100, -1}, {5}), excluded).ok);
}

TEST(ModelResponseTest, EditsKeepTheOtherBoundariesWhereTheyAre) {
  struct Case {
    const char* what;
    bool (*edit)(LayeredModel&);
    bool changed;
    std::vector<float> resistivity;
    std::vector<float> thickness;
  } cases[] = {
      {"boundary 1 down to 3 m: layer 2 gives what layer 1 takes",
       [](LayeredModel& m) { return MoveBoundary(m, 0, 3.0); },
       true,
       {10, 20, 30},
       {3, 3}},
      {"boundary 1 past boundary 2: held above it",
       [](LayeredModel& m) { return MoveBoundary(m, 0, 50.0); },
       true,
       {10, 20, 30},
       {5.96f, 0.04f}},
      {"the last boundary moves freely",
       [](LayeredModel& m) { return MoveBoundary(m, 1, 9.0); },
       true,
       {10, 20, 30},
       {2, 7}},
      {"the basement has no boundary below",
       [](LayeredModel& m) { return MoveBoundary(m, 2, 9.0); },
       false,
       {10, 20, 30},
       {2, 4}},
      {"a resistivity",
       [](LayeredModel& m) { return SetResistivity(m, 1, 25.0); },
       true,
       {10, 25, 30},
       {2, 4}},
      {"no resistivity of 0",
       [](LayeredModel& m) { return SetResistivity(m, 1, 0.0); },
       false,
       {10, 20, 30},
       {2, 4}},
      {"layer 2 split in halves",
       [](LayeredModel& m) { return SplitLayer(m, 1); },
       true,
       {10, 20, 20, 30},
       {2, 2, 2}},
      {"the basement split: a layer as thick as the one above",
       [](LayeredModel& m) { return SplitLayer(m, 2); },
       true,
       {10, 20, 30, 30},
       {2, 4, 4}},
      {"layer 2 removed: layer 1 takes its thickness",
       [](LayeredModel& m) { return RemoveLayer(m, 1); },
       true,
       {10, 30},
       {6}},
      {"layer 1 removed: layer 2 takes its thickness",
       [](LayeredModel& m) { return RemoveLayer(m, 0); },
       true,
       {20, 30},
       {6}},
      {"the basement removed: layer 2 becomes it",
       [](LayeredModel& m) { return RemoveLayer(m, 2); },
       true,
       {10, 20},
       {2}},
  };
  for (const Case& c : cases) {
    LayeredModel model = Model({10, 20, 30}, {2, 4});
    EXPECT_EQ(c.edit(model), c.changed) << c.what;
    EXPECT_EQ(Resistivities(model), c.resistivity) << c.what;
    const std::vector<float> thickness = Thicknesses(model);
    ASSERT_EQ(thickness.size(), c.thickness.size()) << c.what;
    for (size_t i = 0; i < thickness.size(); ++i) {
      EXPECT_NEAR(thickness[i], c.thickness[i], 1e-4) << c.what;
    }
    EXPECT_EQ(model.thickness[model.layerCount - 1], 0.0f) << c.what;
    EXPECT_EQ(model.depthTop[model.layerCount - 1],
              std::accumulate(thickness.begin(), thickness.end(), 0.0f))
        << c.what;
  }
  LayeredModel two = Model({10, 20}, {2});
  EXPECT_FALSE(RemoveLayer(two, 0));  // two layers at least
}

}  // namespace
}  // namespace layra::testing
