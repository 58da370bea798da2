#ifndef LAYRA_SURVEY_MAP_PROJECTION_H_
#define LAYRA_SURVEY_MAP_PROJECTION_H_

// Where a survey lies on the map: positions in the survey's projected
// coordinate system (x east, y north, metres) turned into WGS84 longitude
// and latitude in degrees, as GIS programs place GeoJSON, with PROJ.

#include <memory>
#include <string>

namespace layra {

struct MapPosition {
  double longitude = 0.0;  // degrees east
  double latitude = 0.0;   // degrees north
};

class MapProjection {
 public:
  MapProjection();
  ~MapProjection();
  MapProjection(const MapProjection&) = delete;
  MapProjection& operator=(const MapProjection&) = delete;

  // Prepares the transformation from `crs` ("EPSG:<code>") to longitude and
  // latitude. False with a message when the code is not known or does not
  // name a projected system (whose x and y are metres, as a survey's are).
  bool Open(const std::string& crs, std::string* error);

  // The longitude and latitude of (x, y); false when (x, y) cannot be a
  // position of the system at all.
  bool ToMap(double x, double y, MapPosition* position) const;

  // Whether `position` lies in the area the system is meant for, or within
  // a degree of it; a position far outside says that x and y belong to
  // another system (another zone, hemisphere or datum, or x and y swapped).
  bool InAreaOfUse(const MapPosition& position) const;

  // The name PROJ gives the system, e.g. "WGS 84 / UTM zone 33N".
  const std::string& name() const { return name_; }

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
  std::string name_;
  double west_ = -180.0, south_ = -90.0, east_ = 180.0, north_ = 90.0;
};

}  // namespace layra

#endif  // LAYRA_SURVEY_MAP_PROJECTION_H_
