// Reading the user's model from the dialog fields and the shell's checks.

#include "state/user_model_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace layra {
namespace {

UserModelFields Fields(std::initializer_list<std::string> texts) {
  UserModelFields fields;
  std::size_t i = 0;
  for (const std::string& text : texts) fields[i++] = text;
  return fields;
}

LayeredModel Model(int count,
                   std::initializer_list<float> resistivities,
                   std::initializer_list<float> thicknesses) {
  LayeredModel model;
  model.layerCount = count;
  std::size_t i = 0;
  for (float r : resistivities) model.resistivity[i++] = r;
  i = 0;
  for (float t : thicknesses) model.thickness[i++] = t;
  return model;
}

// The first `count` values of `column`.
template <typename Column>
std::vector<float> First(const Column& column, int count) {
  return std::vector<float>(column.begin(), column.begin() + count);
}

TEST(ReadUserModelFields, ReadsPairsThenTheLastResistivity) {
  LayeredModel model;
  model.resistivity[3] = 77.0f;  // deeper entries stay as they were
  ReadUserModelFields(Fields({"3", "100", "2.5", "30", "10", "300", "999"}), 0, model);
  EXPECT_EQ(model.layerCount, 3);
  EXPECT_EQ(First(model.resistivity, 4), (std::vector<float>{100, 30, 300, 77}));
  // Field 7 (a thickness of layer 3) is not read.
  EXPECT_EQ(First(model.thickness, 3), (std::vector<float>{2.5f, 10, 0}));

  // Nine layers take the ninth resistivity from the last field.
  UserModelFields fields;
  fields[0] = "9";
  for (int i = 1; i < kUserModelFieldCount; ++i) {
    fields[static_cast<std::size_t>(i)] = std::to_string(i);
  }
  ReadUserModelFields(fields, 0, model);
  ASSERT_EQ(model.layerCount, 9);
  EXPECT_EQ(model.resistivity[7], 15.0f);
  EXPECT_EQ(model.thickness[7], 16.0f);
  EXPECT_EQ(model.resistivity[8], 17.0f);

  // The last resistivity keeps 19 characters, the pairs 39.
  const std::string padded_pair = std::string(38, ' ') + "7";
  fields = Fields({"2", "", "", std::string(19, ' ') + "5"});
  fields[1] = fields[2] = padded_pair;
  ReadUserModelFields(fields, 0, model);
  EXPECT_EQ(model.resistivity[0], 7.0f);
  EXPECT_EQ(model.thickness[0], 7.0f);
  EXPECT_EQ(model.resistivity[1], 0.0f);
}

TEST(ReadUserModelFields, CountOutsideTwoToNineKeepsTheRememberedCount) {
  for (const char* count : {"10", "1", "many", ""}) {
    LayeredModel model = Model(4, {5, 6, 7, 8}, {1, 2, 3});
    ReadUserModelFields(Fields({count, "100", "2"}), 4, model);
    EXPECT_EQ(model.layerCount, 4) << count;
    EXPECT_EQ(model.resistivity[0], 5.0f) << count;
  }
}

TEST(UserModelFieldTexts, ShowsTheModelForEditing) {
  const UserModelFields texts = UserModelFieldTexts(Model(2, {100, 20.5f}, {3}));
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 5),
            (std::vector<std::string>{"2", "100", "3", "20.5", ""}));
  EXPECT_EQ(UserModelFieldTexts(LayeredModel{})[0], "");
}

TEST(AcceptUserModel, CopiesAnAcceptedModelWithItsDepths) {
  LayeredModel working = Model(30, {1}, {1});
  std::string message = "old";
  ASSERT_TRUE(AcceptUserModel(Model(3, {100, 30, 300}, {2, 10}), working, message));
  EXPECT_EQ(message, "");
  EXPECT_EQ(working.layerCount, 3);
  EXPECT_EQ(working.resistivity[2], 300.0f);
  EXPECT_EQ(working.thickness[1], 10.0f);
  EXPECT_EQ(First(working.depthTop, 3), (std::vector<float>{0, 2, 12}));
}

TEST(AcceptUserModel, LimitsOfTheValues) {
  LayeredModel working;
  std::string message;
  EXPECT_TRUE(AcceptUserModel(Model(2, {1e7f, 0.001f}, {1e6f}), working, message));
  // Every count the model dialog takes, nine included.
  EXPECT_TRUE(AcceptUserModel(
      Model(9, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 1, 1, 1, 1, 1, 1, 1}), working, message));
  struct Case {
    const char* what;
    LayeredModel model;
  };
  const Case rejected[] = {
      {"zero resistivity", Model(3, {100, 0, 300}, {2, 10})},
      {"negative last resistivity", Model(3, {100, 30, -1}, {2, 10})},
      {"resistivity above 1e7", Model(3, {2e7f, 30, 300}, {2, 10})},
      {"zero thickness", Model(3, {100, 30, 300}, {0, 10})},
      {"thickness above 1e6", Model(3, {100, 30, 300}, {2, 2e6f})},
      {"ten layers", Model(10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 1, 1, 1, 1, 1, 1, 1, 1})},
      {"one layer", Model(1, {100}, {})},
  };
  for (const Case& c : rejected) {
    LayeredModel untouched = Model(4, {9, 9, 9, 9}, {9, 9, 9});
    EXPECT_FALSE(AcceptUserModel(c.model, untouched, message)) << c.what;
    EXPECT_EQ(untouched.layerCount, 4) << c.what;
    EXPECT_EQ(untouched.resistivity[0], 9.0f) << c.what;
    EXPECT_FALSE(message.empty()) << c.what;
  }
}

TEST(AcceptUserModel, MessagesListTheModelOrAskForTwoLayers) {
  LayeredModel working;
  std::string message;
  for (const LayeredModel& model : {Model(0, {}, {}), Model(2, {-5, 10}, {1})}) {
    EXPECT_FALSE(AcceptUserModel(model, working, message));
    EXPECT_EQ(message,
              "There was an error in the input model.\nNumber of layers is " +
                  std::to_string(model.layerCount) + ".\nThere must be at least 2 layers!");
  }
  EXPECT_FALSE(AcceptUserModel(Model(3, {100, 0, 300.25f}, {2, 10}), working, message));
  EXPECT_EQ(message,
            "There was an error in the input model.\nNumber of layers is 3.\n"
            "The parameters for the layers are as follows:-\nLayer   Resis.        Thick.\n"
            " 1       100.000         2.000\n"
            " 2         0.000        10.000\n"
            " 3       300.250\n");
}

TEST(CopyStartingModel, CopiesLayersThicknessesAndDepths) {
  LayeredModel from = Model(2, {10, 20}, {5});
  from.depthTop[1] = 5.0f;
  from.chargeability[0] = 0.3f;
  LayeredModel to;
  CopyStartingModel(from, to);
  EXPECT_EQ(to.layerCount, 2);
  EXPECT_EQ(to.resistivity[1], 20.0f);
  EXPECT_EQ(to.thickness[0], 5.0f);
  EXPECT_EQ(to.depthTop[1], 5.0f);
  EXPECT_EQ(to.chargeability[0], 0.0f);
}

}  // namespace
}  // namespace layra
