#include "survey/map_projection.h"

#include <proj.h>

#include <cmath>

namespace layra {
namespace {

// How far outside its area of use (degrees) a position is still taken as one
// of the system's: projected systems are used somewhat beyond their bounds.
constexpr double kAreaMargin = 1.0;

bool IsProjected(PJ_CONTEXT* context, PJ* crs) {
  const PJ_TYPE type = proj_get_type(crs);
  if (type == PJ_TYPE_PROJECTED_CRS) return true;
  if (type != PJ_TYPE_COMPOUND_CRS) return false;
  // A projected system with heights: its horizontal part decides.
  PJ* horizontal = proj_crs_get_sub_crs(context, crs, 0);
  const bool projected =
      horizontal != nullptr && proj_get_type(horizontal) == PJ_TYPE_PROJECTED_CRS;
  proj_destroy(horizontal);
  return projected;
}

}  // namespace

struct MapProjection::Handles {
  PJ_CONTEXT* context = nullptr;
  PJ* transform = nullptr;
  ~Handles() {
    proj_destroy(transform);
    proj_context_destroy(context);
  }
};

MapProjection::MapProjection() = default;
MapProjection::~MapProjection() = default;

bool MapProjection::Open(const std::string& crs, std::string* error) {
  handles_ = std::make_unique<Handles>();
  handles_->context = proj_context_create();
  PJ_CONTEXT* context = handles_->context;
  if (context == nullptr) {
    *error = "The coordinate transformations (PROJ) could not be started.";
    return false;
  }
  proj_log_level(context, PJ_LOG_NONE);
  PJ* source = proj_create(context, crs.c_str());
  if (source == nullptr) {
    *error = "--crs " + crs + ": no such coordinate system is known.";
    handles_.reset();
    return false;
  }
  name_ = proj_get_name(source) != nullptr ? proj_get_name(source) : crs;
  const bool projected = IsProjected(context, source);
  double west = 0.0, south = 0.0, east = 0.0, north = 0.0;
  if (proj_get_area_of_use(context, source, &west, &south, &east, &north, nullptr) != 0 &&
      west > -1000.0) {
    west_ = west;
    south_ = south;
    east_ = east;
    north_ = north;
  }
  proj_destroy(source);
  if (!projected) {
    *error = "--crs " + crs + " (" + name_ +
             ") is not a projected coordinate system: a survey's x and y are metres east and "
             "north.";
    handles_.reset();
    return false;
  }
  PJ* transform = proj_create_crs_to_crs(context, crs.c_str(), "EPSG:4326", nullptr);
  // Longitude first, as GeoJSON orders a position.
  handles_->transform =
      transform != nullptr ? proj_normalize_for_visualization(context, transform) : nullptr;
  proj_destroy(transform);
  if (handles_->transform == nullptr) {
    *error = "--crs " + crs + ": no transformation to longitude and latitude is known.";
    handles_.reset();
    return false;
  }
  return true;
}

bool MapProjection::ToMap(double x, double y, MapPosition* position) const {
  if (handles_ == nullptr || !std::isfinite(x) || !std::isfinite(y)) return false;
  PJ* transform = handles_->transform;
  proj_errno_reset(transform);
  const PJ_COORD map = proj_trans(transform, PJ_FWD, proj_coord(x, y, 0.0, 0.0));
  if (proj_errno(transform) != 0 || !std::isfinite(map.lp.lam) || !std::isfinite(map.lp.phi) ||
      std::fabs(map.lp.phi) > 90.0) {
    return false;
  }
  position->longitude = std::remainder(map.lp.lam, 360.0);
  position->latitude = map.lp.phi;
  return true;
}

bool MapProjection::InAreaOfUse(const MapPosition& position) const {
  if (position.latitude < south_ - kAreaMargin || position.latitude > north_ + kAreaMargin) {
    return false;
  }
  // Degrees east of the western bound, the area crossing the antimeridian
  // when the east bound is less than the west one.
  auto east_of = [](double longitude, double from) {
    const double d = std::fmod(longitude - from, 360.0);
    return d < 0.0 ? d + 360.0 : d;
  };
  const double width = east_of(east_, west_);
  if (width == 0.0 && east_ != west_) return true;  // the whole world
  const double at = east_of(position.longitude, west_ - kAreaMargin);
  return at <= width + 2.0 * kAreaMargin;
}

}  // namespace layra
