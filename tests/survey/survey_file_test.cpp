#include "survey/survey_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace layra {
namespace {

TEST(ParseSurveyFile, ResolvesFilesAndDefaultsNames) {
  const std::string text =
      "# two soundings\n"
      "File;X;Y;Elevation;Profile\n"
      "s1.dat;500000,5;5400000;120;P1\n"
      "/data/s2.dat;500010;5400000;121,25;P1\n";
  std::vector<SurveySounding> soundings;
  std::string error;
  ASSERT_TRUE(ParseSurveyFile(text, "/surveys/site", &soundings, &error)) << error;
  ASSERT_EQ(soundings.size(), 2u);
  EXPECT_EQ(soundings[0].file, "/surveys/site/s1.dat");  // relative to the survey's folder
  EXPECT_EQ(soundings[1].file, "/data/s2.dat");
  EXPECT_EQ(soundings[0].name, "s1");
  EXPECT_EQ(soundings[0].line, 3);
  EXPECT_DOUBLE_EQ(soundings[0].x, 500000.5);
  EXPECT_DOUBLE_EQ(soundings[1].elevation, 121.25);
  EXPECT_EQ(soundings[1].profile, "P1");
}

TEST(ParseSurveyFile, BadFilesAreRefusedWithRowAndColumn) {
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"file,x,y\n", "needs a column \"elevation\""},
      {"file,x,y,elevation\na.dat,1,2,x\n", "Row 2, column \"elevation\": \"x\" is not a number."},
      {"file,x,y,elevation\n,1,2,3\n", "Row 2, column \"file\": the data file is missing."},
      {"file,x,y,elevation\na.dat,1,2,3\nother/a.dat,4,5,6\n",
       "Row 3, column \"file\": the name \"a\" is used twice"},
      {"file,x,y,elevation,name\na.dat,1,2,3,a/b\n", "Row 2, column \"name\": \"a/b\" cannot"},
      {"file,x,y,elevation\n", "lists no soundings"},
      // A name becomes a file name: no line break, and no NUL to cut it short.
      {"file,x,y,elevation,name\na.dat,1,2,3,\"a\nb\"\n",
       "Row 2, column \"name\": \"a\nb\" cannot"},
      {std::string("file,x,y,elevation,name\na.dat,1,2,3,b\0.dat\n", 43),
       "binary data (NUL bytes)"},
      {"file,x,y,elevation\na.dat,-1e308,2,3\n",
       "Row 2, column \"x\": -1e308 is beyond the 1e+08 m a position can be from the origin."},
  };
  for (const Case& c : cases) {
    std::vector<SurveySounding> soundings;
    std::string error;
    EXPECT_FALSE(ParseSurveyFile(c.text, "", &soundings, &error)) << c.text;
    EXPECT_NE(error.find(c.message), std::string::npos) << error << "\nexpected: " << c.message;
    EXPECT_TRUE(soundings.empty());
  }
}

TEST(CheckCrs, TakesOnlyEpsgCodes) {
  std::string error;
  EXPECT_TRUE(CheckCrs("EPSG:32633", &error));
  for (const char* bad : {"EPSG:", "epsg:4326", "EPSG:43x6", "WGS84"}) {
    EXPECT_FALSE(CheckCrs(bad, &error)) << bad;
  }
}

}  // namespace
}  // namespace layra
