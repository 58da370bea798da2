#ifndef LAYRA_SURVEY_SURVEY_TABLES_H_
#define LAYRA_SURVEY_SURVEY_TABLES_H_

// The tables a survey run leaves for reports and GIS programs.
//
// models.csv: one row per sounding that was inverted and layer of its model,
//   name,profile,x,y,elevation,layer,top,bottom,resistivity[,chargeability]
//   [,tau,c],misfit,doi
// with depths in metres below the ground (bottom empty for the half-space),
// resistivity in ohm-m, chargeability as a fraction (columns present when a
// sounding of the survey has IP data), Cole-Cole tau in seconds and c (when a
// sounding has spectral IP data), misfit the final resistivity misfit in
// percent, doi the depth of investigation in metres of an automatic run of the
// accurate engine (empty for runs of the documented engine and user-model
// runs, which the analysis does not take: an empty cell says so where a
// guessed number would mislead).
//
// soundings.geojson: a GeoJSON FeatureCollection (RFC 7946) with one Point
// per sounding of the survey at its WGS84 longitude and latitude (null
// geometry where the survey names no coordinate system: its x and y cannot
// be placed), and the properties name, profile, x, y and elevation (as the
// survey file gives them), crs (when named), status (ok, refused, failed),
// message, results_file (relative to the GeoJSON file's folder), layers,
// iterations, misfit (percent), doi (metres; present only where the
// models.csv cell is filled) and the depth to the top and bottom and the
// resistivity of its most conductive layer (conductive_top,
// conductive_bottom, conductive_resistivity; null where the sounding has no
// model, bottom null for the half-space).

#include <string>
#include <vector>

#include "survey/map_projection.h"
#include "survey/survey_file.h"
#include "survey/survey_run.h"

namespace layra {

std::string FormatModelsCsv(const std::vector<SurveySounding>& soundings,
                            const std::vector<SoundingResult>& results);

// `positions` holds each sounding's map position (empty without a
// coordinate system); `folder` is where the GeoJSON file goes.
std::string FormatSoundingsGeoJson(const std::vector<SurveySounding>& soundings,
                                   const std::vector<SoundingResult>& results,
                                   const std::string& crs,
                                   const std::vector<MapPosition>& positions,
                                   const std::string& folder);

// Index (0-based) of the layer of least resistivity of `model`, the upper one
// of equals; -1 for a model without layers.
int MostConductiveLayer(const LayeredModel& model);

}  // namespace layra

#endif  // LAYRA_SURVEY_SURVEY_TABLES_H_
