#include "survey/survey_tables.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace layra {
namespace {

LayeredModel Model(const std::vector<float>& resistivity, const std::vector<float>& thickness) {
  LayeredModel model;
  model.layerCount = static_cast<int>(resistivity.size());
  for (int j = 0; j < model.layerCount; ++j) {
    model.resistivity[j] = resistivity[j];
    if (j + 1 < model.layerCount) model.thickness[j] = thickness[j];
    if (j > 0) model.depthTop[j] = model.depthTop[j - 1] + model.thickness[j - 1];
  }
  return model;
}

// Three soundings: a two-layer one, an IP one, and one that was refused.
struct Survey {
  std::vector<SurveySounding> soundings;
  std::vector<SoundingResult> results;
  Survey() {
    soundings = {{2, "a.dat", "S1", "P", 500000.0, 5400000.0, 120.0},
                 {3, "b.dat", "S,2", "P", 500050.0, 5400000.0, 121.5},
                 {4, "c.dat", "S3", "P", 500100.0, 5400000.0, 119.0}};
    results.resize(3);
    results[0].status = SoundingStatus::kOk;
    results[0].model = Model({150.0f, 20.0f}, {4.5f});
    results[0].misfit = 0.0123f;
    results[1].status = SoundingStatus::kOk;
    results[1].dataKind = DataKind::kIp;
    results[1].model = Model({80.0f, 5.0f, 300.0f}, {2.0f, 10.0f});
    results[1].model.chargeability[1] = 0.05f;
    results[2].status = SoundingStatus::kRefused;
    results[2].message = "Cannot open file c.dat";
  }
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(FormatModelsCsv, OneRowPerLayerOfEachInvertedSounding) {
  const Survey survey;
  const std::vector<std::string> lines = Lines(FormatModelsCsv(survey.soundings, survey.results));
  ASSERT_EQ(lines.size(), 1u + 2u + 3u);
  EXPECT_EQ(lines[0],
            "name,profile,x,y,elevation,layer,top,bottom,resistivity,chargeability,misfit,doi");
  EXPECT_EQ(lines[1], "S1,P,500000,5400000,120,1,0,4.5,150,,1.23,");
  EXPECT_EQ(lines[2], "S1,P,500000,5400000,120,2,4.5,,20,,1.23,");  // half-space: no bottom
  EXPECT_EQ(lines[4], "\"S,2\",P,500050,5400000,121.5,2,2,12,5,0.05,0,");
}

// RFC 7946: points at longitude and latitude (none without a coordinate
// system), no "crs" member, the survey's own x and y as properties, results
// files relative to the GeoJSON file.
TEST(FormatSoundingsGeoJson, OnePointPerSoundingWithItsConductor) {
  Survey survey;
  survey.results[1].resultsFile = "out/S,2.INV";
  const std::vector<MapPosition> positions = {{15.0, 48.75}, {15.000681, 48.7530123456}, {15, 48}};
  const nlohmann::json collection = nlohmann::json::parse(
      FormatSoundingsGeoJson(survey.soundings, survey.results, "EPSG:32633", positions, "out"));
  EXPECT_EQ(collection["type"], "FeatureCollection");
  EXPECT_FALSE(collection.contains("crs"));
  ASSERT_EQ(collection["features"].size(), 3u);
  const nlohmann::json& second = collection["features"][1];
  EXPECT_EQ(second["geometry"]["coordinates"], nlohmann::json({15.000681, 48.7530123}));
  const nlohmann::json& properties = second["properties"];
  EXPECT_EQ(properties["x"], 500050.0);
  EXPECT_EQ(properties["y"], 5400000.0);
  EXPECT_EQ(properties["elevation"], 121.5);
  EXPECT_EQ(properties["crs"], "EPSG:32633");
  EXPECT_EQ(properties["results_file"], "S,2.INV");
  EXPECT_EQ(properties["layers"], 3);
  EXPECT_EQ(properties["conductive_top"], 2.0);
  EXPECT_EQ(properties["conductive_bottom"], 12.0);
  EXPECT_EQ(properties["conductive_resistivity"], 5.0);
  const nlohmann::json& refused = collection["features"][2]["properties"];
  EXPECT_EQ(refused["status"], "refused");
  EXPECT_TRUE(refused["misfit"].is_null());
  const nlohmann::json unplaced = nlohmann::json::parse(
      FormatSoundingsGeoJson(survey.soundings, survey.results, "", {}, "out"));
  EXPECT_TRUE(unplaced["features"][0]["geometry"].is_null());
  // A name that is not UTF-8 (Latin-1) gets U+FFFD for its bad byte.
  survey.soundings[0].name = "M\xFChle";
  EXPECT_EQ(
      nlohmann::json::parse(FormatSoundingsGeoJson(
          survey.soundings, survey.results, "", {}, "out"))["features"][0]["properties"]["name"],
      "M\uFFFDhle");
  EXPECT_FALSE(unplaced["features"][0]["properties"].contains("crs"));
}

}  // namespace
}  // namespace layra
