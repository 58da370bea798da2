#ifndef LAYRA_SURVEY_SECTION_PLOT_H_
#define LAYRA_SURVEY_SECTION_PLOT_H_

// The resistivity section of a profile: distance along the profile across,
// depth below the ground (or elevation) down, every sounding's layered model
// as a column of colours for log10 of the resistivity (viridis, low
// resistivities dark), with a labelled colour bar, the soundings' positions
// and names above the section and axes with ticks. Drawn through Canvas only,
// so any picture output (image files, a window) can show it.
//
// Without interpolation each sounding's column reaches half-way to its
// neighbours (the outer ones as far again beyond). With interpolation the
// log-resistivity at each depth below the ground varies linearly in distance
// between neighbouring soundings (held constant beyond the outer ones), and
// so does the ground's elevation.

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "state/records.h"
#include "survey/survey_file.h"
#include "survey/survey_run.h"

namespace layra {

struct SectionColumn {
  std::string name;
  double distance = 0.0;  // along the profile, metres
  double elevation = 0.0;
  LayeredModel model;  // at least one layer
  int sounding = -1;   // index of the sounding in the survey
  // Depth of investigation (metres below the ground) where the run had one;
  // the section is shaded below it.
  bool doiKnown = false;
  double doi = 0.0;
};

struct SectionProfile {
  std::string name;                    // empty for a survey without profiles
  std::vector<SectionColumn> columns;  // in order of distance
};

// The profiles of a survey in the order they first appear, each with the
// soundings that have a model, in the order listed. The distance of a sounding
// is the length of the path through the profile's soundings up to it (the
// first at 0).
std::vector<SectionProfile> BuildSectionProfiles(const std::vector<SurveySounding>& soundings,
                                                 const std::vector<SoundingResult>& results);

struct SectionOptions {
  bool elevation = false;    // vertical axis is elevation instead of depth
  bool interpolate = false;  // interpolate between soundings
  // Depth (m) the section reaches below the ground; 0 or less: 1.1 times the
  // deepest layer boundary of the profile's models.
  double depth = 0.0;
  std::string subtitle;  // shown after the title, e.g. the coordinate system
};

// Where PlotSection put things, so a caller (or a test) can map places to
// pixels and resistivities to colours.
struct SectionLayout {
  int left = 0, top = 0, right = 0, bottom = 0;  // the section's pixels; right, bottom exclusive
  double distanceLeft = 0.0, distanceRight = 0.0;
  double verticalTop = 0.0, verticalBottom = 0.0;  // depth (m) or elevation (m) at top and bottom
  double logMin = 0.0, logMax = 1.0;               // log10 resistivity at the ends of the colours

  // Pixel column of a distance and pixel row of a depth (or elevation).
  int X(double distance) const;
  int Y(double vertical) const;
  // The colour the section gives a resistivity (ohm-m).
  Rgb ColourOf(double resistivity) const;
  Rgb ColourOfLog(double log_resistivity) const;  // the same for log10 of it
};

// Clears the canvas and draws the section of `profile` (which must have at
// least one column) into it.
SectionLayout PlotSection(const SectionProfile& profile,
                          const SectionOptions& options,
                          Canvas& canvas);

}  // namespace layra

#endif  // LAYRA_SURVEY_SECTION_PLOT_H_
