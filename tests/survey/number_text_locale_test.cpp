// Number text does not depend on the process locale: with a comma-decimal
// LC_NUMERIC set by setlocale (as the desktop's toolkit sets the user's), the
// data-file writer, the survey tables and the table reader write and read a
// '.' as they do in the "C" locale.

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "fileio/synthetic_data.h"
#include "state/text_format.h"
#include "survey/csv_table.h"
#include "survey/survey_tables.h"
#include "tests/support/comma_locale.h"

namespace layra {
namespace {

TEST(NumberText, IsTheSameUnderACommaDecimalLocale) {
  layra::testing::ScopedCommaNumbers comma;
  if (!comma.active()) GTEST_SKIP() << layra::testing::GetCommaLocale().reason;
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");

  SoundingData data;
  data.title = "t";
  data.arrayType = ArrayType::kWenner;
  data.pointCount = 1;
  data.spacingA[0] = 1.5f;
  data.apparentResistivity[0] = 112.25f;
  EXPECT_NE(FormatDataFile(data).find("       1.5        112.25\n"), std::string::npos)
      << FormatDataFile(data);

  EXPECT_EQ(ParseCsvNumber("112.25", ','), 112.25);
  EXPECT_EQ(ParseCsvNumber("112,25", ';'), 112.25);
  double value = 0.0;
  EXPECT_TRUE(ParseNumber("-2.5e-1", &value));
  EXPECT_EQ(value, -0.25);

  std::vector<SurveySounding> soundings = {{2, "a.dat", "S1", "", 1.5, 2.5, 3.5}};
  std::vector<SoundingResult> results(1);
  results[0].status = SoundingStatus::kOk;
  results[0].misfit = 0.0125f;
  results[0].model.layerCount = 1;
  results[0].model.resistivity[0] = 20.5f;
  const nlohmann::json geojson =
      nlohmann::json::parse(FormatSoundingsGeoJson(soundings, results, "", {}, ""));
  const nlohmann::json& properties = geojson["features"][0]["properties"];
  EXPECT_EQ(properties["misfit"], 1.25);
  EXPECT_EQ(properties["conductive_resistivity"], 20.5);
  EXPECT_NE(FormatModelsCsv(soundings, results).find("S1,,1.5,2.5,3.5,1,0,,20.5,1.25,"),
            std::string::npos);
}

}  // namespace
}  // namespace layra
