#include "survey/map_projection.h"

#include <gtest/gtest.h>

#include <string>

namespace layra {
namespace {

// UTM zone 33N: the central meridian 15 E lies at 500 km easting, the equator
// at northing 0; 5400 km north is about 48.75 N (meridian arc / 0.9996).
TEST(MapProjection, PlacesProjectedPositionsAtLongitudeAndLatitude) {
  MapProjection utm;
  std::string error;
  ASSERT_TRUE(utm.Open("EPSG:32633", &error)) << error;
  MapPosition position;
  ASSERT_TRUE(utm.ToMap(500000.0, 0.0, &position));
  EXPECT_NEAR(position.longitude, 15.0, 1e-9);
  EXPECT_NEAR(position.latitude, 0.0, 1e-9);
  ASSERT_TRUE(utm.ToMap(500000.0, 5400000.0, &position));
  EXPECT_NEAR(position.longitude, 15.0, 1e-9);
  EXPECT_NEAR(position.latitude, 48.753, 1e-3);
  EXPECT_TRUE(utm.InAreaOfUse(position));
  // x and y swapped: far from the zone, or no position at all.
  EXPECT_FALSE(utm.ToMap(5400000.0, 500000.0, &position) && utm.InAreaOfUse(position));
  EXPECT_FALSE(utm.ToMap(5e7, 5400000.0, &position));
  EXPECT_FALSE(utm.ToMap(1e308, 0.0, &position));
}

TEST(MapProjection, RefusesUnknownAndGeographicSystems) {
  const std::pair<const char*, const char*> cases[] = {
      {"EPSG:999999", "no such coordinate system"},
      {"EPSG:4326", "is not a projected coordinate system"}};
  for (const auto& [crs, reason] : cases) {
    MapProjection projection;
    std::string error;
    EXPECT_FALSE(projection.Open(crs, &error)) << crs;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace layra
