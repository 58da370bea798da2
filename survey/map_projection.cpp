#include "survey/map_projection.h"

#include <dlfcn.h>
#include <proj.h>

#include <cmath>

namespace layra {
namespace {

// How far outside its area of use (degrees) a position is still taken as one
// of the system's: projected systems are used somewhat beyond their bounds.
constexpr double kAreaMargin = 1.0;

// PROJ, loaded on first use rather than linked: it brings some thirty
// libraries (network, databases, images) whose loading would add several
// milliseconds to every start of the programs, most of which never place a
// survey on the map. The functions keep the types proj.h gives them.
struct ProjLibrary {
  std::string error;  // why it could not be loaded; empty when it was
  decltype(&proj_context_create) context_create = nullptr;
  decltype(&proj_context_destroy) context_destroy = nullptr;
  decltype(&proj_log_level) log_level = nullptr;
  decltype(&proj_create) create = nullptr;
  decltype(&proj_destroy) destroy = nullptr;
  decltype(&proj_get_name) get_name = nullptr;
  decltype(&proj_get_type) get_type = nullptr;
  decltype(&proj_crs_get_sub_crs) crs_get_sub_crs = nullptr;
  decltype(&proj_get_area_of_use) get_area_of_use = nullptr;
  decltype(&proj_create_crs_to_crs) create_crs_to_crs = nullptr;
  decltype(&proj_normalize_for_visualization) normalize_for_visualization = nullptr;
  decltype(&proj_trans) trans = nullptr;
  decltype(&proj_errno) errno_of = nullptr;
  decltype(&proj_errno_reset) errno_reset = nullptr;
};

template <typename Function>
bool Find(void* handle, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(::dlsym(handle, name));
  return *function != nullptr;
}

const ProjLibrary& Proj() {
  static const ProjLibrary library = [] {
    ProjLibrary proj;
    void* handle = ::dlopen(LAYRA_PROJ_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* reason = ::dlerror();
      proj.error = std::string("the coordinate transformations (PROJ, ") + LAYRA_PROJ_LIBRARY +
                   ") cannot be loaded: " + (reason != nullptr ? reason : "not found");
      return proj;
    }
    const bool found =
        Find(handle, "proj_context_create", &proj.context_create) &&
        Find(handle, "proj_context_destroy", &proj.context_destroy) &&
        Find(handle, "proj_log_level", &proj.log_level) &&
        Find(handle, "proj_create", &proj.create) && Find(handle, "proj_destroy", &proj.destroy) &&
        Find(handle, "proj_get_name", &proj.get_name) &&
        Find(handle, "proj_get_type", &proj.get_type) &&
        Find(handle, "proj_crs_get_sub_crs", &proj.crs_get_sub_crs) &&
        Find(handle, "proj_get_area_of_use", &proj.get_area_of_use) &&
        Find(handle, "proj_create_crs_to_crs", &proj.create_crs_to_crs) &&
        Find(handle, "proj_normalize_for_visualization", &proj.normalize_for_visualization) &&
        Find(handle, "proj_trans", &proj.trans) && Find(handle, "proj_errno", &proj.errno_of) &&
        Find(handle, "proj_errno_reset", &proj.errno_reset);
    if (!found) {
      proj.error = std::string(LAYRA_PROJ_LIBRARY) + " lacks a function of PROJ's interface";
    }
    // The library stays loaded for the life of the process.
    return proj;
  }();
  return library;
}

bool IsProjected(PJ_CONTEXT* context, PJ* crs) {
  const ProjLibrary& proj = Proj();
  const PJ_TYPE type = proj.get_type(crs);
  if (type == PJ_TYPE_PROJECTED_CRS) return true;
  if (type != PJ_TYPE_COMPOUND_CRS) return false;
  // A projected system with heights: its horizontal part decides.
  PJ* horizontal = proj.crs_get_sub_crs(context, crs, 0);
  const bool projected =
      horizontal != nullptr && proj.get_type(horizontal) == PJ_TYPE_PROJECTED_CRS;
  proj.destroy(horizontal);
  return projected;
}

}  // namespace

struct MapProjection::Handles {
  PJ_CONTEXT* context = nullptr;
  PJ* transform = nullptr;
  ~Handles() {
    if (transform != nullptr) Proj().destroy(transform);
    if (context != nullptr) Proj().context_destroy(context);
  }
};

MapProjection::MapProjection() = default;
MapProjection::~MapProjection() = default;

bool MapProjection::Open(const std::string& crs, std::string* error) {
  const ProjLibrary& proj = Proj();
  if (!proj.error.empty()) {
    *error = "--crs " + crs + ": " + proj.error + ".";
    return false;
  }
  handles_ = std::make_unique<Handles>();
  handles_->context = proj.context_create();
  PJ_CONTEXT* context = handles_->context;
  if (context == nullptr) {
    *error = "The coordinate transformations (PROJ) could not be started.";
    handles_.reset();
    return false;
  }
  proj.log_level(context, PJ_LOG_NONE);
  PJ* source = proj.create(context, crs.c_str());
  if (source == nullptr) {
    *error = "--crs " + crs + ": no such coordinate system is known.";
    handles_.reset();
    return false;
  }
  name_ = proj.get_name(source) != nullptr ? proj.get_name(source) : crs;
  const bool projected = IsProjected(context, source);
  double west = 0.0, south = 0.0, east = 0.0, north = 0.0;
  if (proj.get_area_of_use(context, source, &west, &south, &east, &north, nullptr) != 0 &&
      west > -1000.0) {
    west_ = west;
    south_ = south;
    east_ = east;
    north_ = north;
  }
  proj.destroy(source);
  if (!projected) {
    *error = "--crs " + crs + " (" + name_ +
             ") is not a projected coordinate system: a survey's x and y are metres east and "
             "north.";
    handles_.reset();
    return false;
  }
  PJ* transform = proj.create_crs_to_crs(context, crs.c_str(), "EPSG:4326", nullptr);
  // Longitude first, as GeoJSON orders a position.
  handles_->transform =
      transform != nullptr ? proj.normalize_for_visualization(context, transform) : nullptr;
  if (transform != nullptr) proj.destroy(transform);
  if (handles_->transform == nullptr) {
    *error = "--crs " + crs + ": no transformation to longitude and latitude is known.";
    handles_.reset();
    return false;
  }
  return true;
}

bool MapProjection::ToMap(double x, double y, MapPosition* position) const {
  if (handles_ == nullptr || !std::isfinite(x) || !std::isfinite(y)) return false;
  const ProjLibrary& proj = Proj();
  PJ* transform = handles_->transform;
  proj.errno_reset(transform);
  PJ_COORD from;
  from.v[0] = x;
  from.v[1] = y;
  from.v[2] = 0.0;
  from.v[3] = 0.0;
  const PJ_COORD map = proj.trans(transform, PJ_FWD, from);
  if (proj.errno_of(transform) != 0 || !std::isfinite(map.lp.lam) || !std::isfinite(map.lp.phi) ||
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
