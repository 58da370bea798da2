// layra-cli survey SURVEY.csv --output-dir DIR: inverts every sounding the
// survey file lists (see survey/survey_file.h), without prompts, up to -j at a
// time, and writes into DIR each sounding's results file (<name>.INV),
// models.csv and soundings.geojson (see survey/survey_tables.h) and, with
// --section, a resistivity section per profile. A refused or failed sounding
// is reported and the others go on; the exit status is non-zero when any
// sounding or output failed.

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "cli/output_paths.h"
#include "cli/plot_output.h"
#include "fileio/atomic_file.h"
#include "state/text_format.h"
#include "survey/lateral_inversion.h"
#include "survey/map_projection.h"
#include "survey/section_plot.h"
#include "survey/survey_file.h"
#include "survey/survey_run.h"
#include "survey/survey_tables.h"

namespace layra::cli {
namespace {

struct SurveyOptions {
  std::string survey;
  std::string output_directory;
  bool user_model = false;
  std::string engine = "documented";
  int jobs = 1;
  std::string crs;
  std::string section;
  std::string size = "1280x800";
  bool elevation = false;
  bool interpolate = false;
  double depth = 0.0;
  double lateral = -1.0;  // the tie weight of --lateral; negative when not given
  bool engine_given = false;
};

// The picture of each profile (in the order of `profiles`): the --section
// path itself for a survey of one profile, otherwise the profile's name added
// to its stem, letters, digits and '-' kept and every other character made
// '_' ("none" for the empty name). Names that would fall together ("A B" and
// "A_B") get "_2", "_3", ... so that no picture replaces another.
std::vector<std::string> SectionPaths(const std::string& path,
                                      const std::vector<std::string>& profiles) {
  if (profiles.size() <= 1) return std::vector<std::string>(profiles.size(), path);
  const std::filesystem::path file(path);
  std::vector<std::string> paths;
  std::set<std::string> taken;  // in lower case: some file systems ignore case
  for (const std::string& profile : profiles) {
    std::string suffix;
    for (char c : profile) {
      suffix += std::isalnum(static_cast<unsigned char>(c)) || c == '-' ? c : '_';
    }
    if (suffix.empty()) suffix = "none";
    std::string candidate;
    for (int n = 1; candidate.empty() || !taken.insert(ToLowerAscii(candidate)).second; ++n) {
      const std::string name = suffix + (n > 1 ? "_" + std::to_string(n) : "");
      candidate =
          (file.parent_path() / (file.stem().string() + "_" + name + file.extension().string()))
              .string();
    }
    paths.push_back(candidate);
  }
  return paths;
}

// The survey's profiles in the order they first appear.
std::vector<std::string> ProfileNames(const std::vector<SurveySounding>& soundings) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const SurveySounding& s : soundings) {
    if (seen.insert(s.profile).second) names.push_back(s.profile);
  }
  return names;
}

// A number option's check: a number of lo..hi (NaN never is one), refused
// naming the range.
CLI::Validator NumberIn(double lo, double hi, const std::string& range) {
  return CLI::Validator(
      [lo, hi, range](std::string& text) -> std::string {
        double value = 0.0;
        if (ParseNumber(text, &value) && value >= lo && value <= hi) return std::string();
        return "Value " + text + " not in range " + range;
      },
      range);
}

void PrintSummary(const std::vector<SurveySounding>& soundings,
                  const std::vector<SoundingResult>& results) {
  size_t width = 4;
  for (const SurveySounding& s : soundings) width = std::max(width, s.name.size());
  const int name_width = static_cast<int>(width);
  std::cout << StrFormat(
      "%-*s %6s %10s %8s  %s\n", name_width, "Name", "Layers", "Iterations", "Misfit %", "Status");
  for (size_t i = 0; i < soundings.size(); ++i) {
    const SoundingResult& r = results[i];
    const bool ok = r.status == SoundingStatus::kOk;
    std::cout << StrFormat("%-*s %6s %10s %8s  %s",
                           name_width,
                           soundings[i].name.c_str(),
                           ok ? std::to_string(r.model.layerCount).c_str() : "-",
                           ok ? std::to_string(r.iterations).c_str() : "-",
                           ok ? StrFormat("%.2f", 100.0 * r.misfit).c_str() : "-",
                           SoundingStatusName(r.status));
    if (!ok) std::cout << " (" << soundings[i].file << ": " << r.message << ")";
    std::cout << '\n';
  }
}

int RunSurvey(const SurveyOptions& options) {
  namespace fs = std::filesystem;
  std::string error;
  const bool lateral = options.lateral >= 0.0;
  // The joint fit uses the accurate engine's forward and starts from its
  // independent inversions.
  if (lateral && options.engine == "documented" && options.engine_given) {
    std::cerr << "--lateral fits the soundings with the accurate engine; leave out --engine "
                 "documented.\n";
    return 2;
  }
  MapProjection projection;
  if (!options.crs.empty() &&
      (!CheckCrs(options.crs, &error) || !projection.Open(options.crs, &error))) {
    std::cerr << error << '\n';
    return 2;
  }
  if (!options.section.empty()) {
    // The picture's name and size are refused before hours of inversions, not after.
    PictureRequest request;
    if (!ParsePictureRequest(options.section, options.size, &request, &error)) {
      std::cerr << "--section: " << error << '\n';
      return 2;
    }
  }
  std::vector<SurveySounding> soundings;
  if (!ReadSurveyFile(options.survey, &soundings, &error)) {
    std::cerr << error << '\n';
    return 1;
  }
  // Map positions for the GeoJSON: a position the coordinate system cannot
  // have is refused; one far from where the system is used is probably in
  // another system, and said.
  std::vector<MapPosition> positions;
  if (!options.crs.empty()) {
    int outside = 0;
    for (const SurveySounding& s : soundings) {
      MapPosition position;
      if (!projection.ToMap(s.x, s.y, &position)) {
        std::cerr << StrFormat("%s: row %d: x %.10g, y %.10g cannot be a position in %s (%s).\n",
                               options.survey.c_str(),
                               s.line,
                               s.x,
                               s.y,
                               options.crs.c_str(),
                               projection.name().c_str());
        return 1;
      }
      if (!projection.InAreaOfUse(position) && ++outside <= 5) {
        std::cerr << StrFormat(
            "Warning: %s at x %.10g, y %.10g lies at longitude %.4f, latitude %.4f, outside "
            "the area where %s (%s) is used; are x and y in another system?\n",
            s.name.c_str(),
            s.x,
            s.y,
            position.longitude,
            position.latitude,
            options.crs.c_str(),
            projection.name().c_str());
      }
      positions.push_back(position);
    }
    if (outside > 5) {
      std::cerr << "Warning: " << outside - 5 << " more soundings lie outside that area.\n";
    }
  }
  // Nothing the run writes may replace what it reads, nor another of its
  // outputs.
  const fs::path directory(options.output_directory);
  const std::string models_path = (directory / "models.csv").string();
  const std::string geojson_path = (directory / "soundings.geojson").string();
  const std::vector<std::string> profile_names = ProfileNames(soundings);
  const std::vector<std::string> section_paths = options.section.empty()
                                                     ? std::vector<std::string>()
                                                     : SectionPaths(options.section, profile_names);
  {
    std::vector<NamedPath> outputs = {{"Models table", models_path}, {"Map layer", geojson_path}};
    for (const std::string& path : section_paths) outputs.push_back({"Section", path});
    std::vector<std::string> inputs = {options.survey};
    for (const SurveySounding& s : soundings) {
      outputs.push_back({"Results file of " + s.name, (directory / (s.name + ".INV")).string()});
      inputs.push_back(s.file);
    }
    const std::string overwrite = OutputOverInputMessage(outputs, inputs);
    if (!overwrite.empty()) {
      std::cerr << overwrite << '\n';
      return 2;
    }
  }
  // Folders are made before the run, so that a path that cannot be one is
  // told now and not after every inversion.
  const fs::path section_folder = fs::path(options.section).parent_path();
  for (const fs::path& folder : {fs::path(options.output_directory), section_folder}) {
    if (folder.empty()) continue;
    std::error_code fs_error;
    fs::create_directories(folder, fs_error);
    if (!fs::is_directory(folder)) {
      std::cerr << "Cannot create the folder " << folder.string() << '\n';
      return 1;
    }
  }

  SurveyRunOptions run;
  run.userModel = options.user_model;
  run.engine = options.engine == "accurate" ? EngineKind::kAccurate : EngineKind::kDocumented;
  run.outputDirectory = options.output_directory;
  run.jobs = options.jobs;
  if (lateral) {
    run.engine = EngineKind::kAccurate;
    run.keepDocument = true;
  }
  const int count = static_cast<int>(soundings.size());
  int finished = 0;
  // A running count on a terminal; refusals and failures as lines of their own.
  const bool terminal = isatty(STDERR_FILENO) != 0;
  std::vector<SoundingResult> results =
      InvertSurvey(soundings, run, [&](int index, const SoundingResult& result) {
        ++finished;
        if (result.status != SoundingStatus::kOk) {
          std::cerr << (terminal ? "\r" : "") << soundings[static_cast<size_t>(index)].name << ": "
                    << SoundingStatusName(result.status) << ": " << result.message << '\n';
        }
        if (terminal) {
          std::cerr << "\r" << finished << " of " << count << " soundings done"
                    << (finished == count ? "\n" : "");
        }
        std::cerr.flush();
      });

  // Profiles that could not be fitted together keep their soundings' own
  // models: they count apart from soundings that were not inverted.
  int unconstrained = 0;
  if (lateral) {
    for (const LateralOutcome& outcome :
         InvertLaterally(soundings, results, options.lateral, options.user_model)) {
      const std::string profile = outcome.profile.empty() ? "the survey" : outcome.profile;
      if (!outcome.message.empty()) {
        std::cerr << "Not laterally constrained: " << outcome.message << '\n';
        unconstrained += outcome.soundings;
      } else if (outcome.iterations > 0) {
        std::cerr << StrFormat(
            "Laterally constrained %s: %d soundings, %d joint steps, chi2/N %.3g\n",
            profile.c_str(),
            outcome.soundings,
            outcome.iterations,
            outcome.chi2);
      }
    }
  }
  int failures = 0;
  for (const SoundingResult& r : results) failures += r.status != SoundingStatus::kOk;
  PrintSummary(soundings, results);

  const std::pair<std::string, std::string> tables[] = {
      {models_path, FormatModelsCsv(soundings, results)},
      {geojson_path,
       FormatSoundingsGeoJson(
           soundings, results, options.crs, positions, options.output_directory)}};
  int output_failures = 0;
  for (const auto& [path, contents] : tables) {
    if (WriteFileAtomically(path, contents, &error)) {
      std::cerr << "Written " << path << '\n';
      if (path == geojson_path && options.crs.empty()) {
        std::cerr << "Note: without --crs the soundings have no place on the map in " << path
                  << " (x and y are kept as properties).\n";
      }
    } else {
      std::cerr << "Error Message: Cannot write " << error << '\n';
      ++output_failures;
    }
  }

  if (!options.section.empty()) {
    const std::vector<SectionProfile> profiles = BuildSectionProfiles(soundings, results);
    if (profiles.empty()) {
      std::cerr << "No sounding was inverted; no section was drawn.\n";
      ++output_failures;
    }
    SectionOptions section;
    section.elevation = options.elevation;
    section.interpolate = options.interpolate;
    section.depth = options.depth;
    section.subtitle = options.crs;
    for (const SectionProfile& profile : profiles) {
      const auto at = std::find(profile_names.begin(), profile_names.end(), profile.name);
      const std::string& path = section_paths[static_cast<size_t>(at - profile_names.begin())];
      if (DrawToImageFile(
              path,
              options.size,
              [&](Canvas& canvas) { PlotSection(profile, section, canvas); },
              &error)) {
        std::cerr << "Written " << path << '\n';
      } else {
        std::cerr << "Error Message: " << error << '\n';
        ++output_failures;
      }
    }
  }
  if (failures > 0) std::cerr << failures << " of " << count << " soundings were not inverted.\n";
  if (unconstrained > 0) {
    std::cerr << unconstrained << " of " << count
              << " soundings were inverted alone, not laterally constrained.\n";
  }
  return failures + unconstrained + output_failures == 0 ? 0 : 1;
}

CommandRegistration registration(
    "survey",
    32,
    "Invert every sounding of a survey file; write tables, a map layer and sections",
    [](CLI::App* command) -> CommandAction {
      auto options = std::make_shared<SurveyOptions>();
      command->add_option("survey", options->survey, "Survey file (.csv: file,x,y,elevation)")
          ->required();
      command
          ->add_option("--output-dir", options->output_directory, "Folder for everything written")
          ->required();
      command->add_flag(
          "--user-model", options->user_model, "Invert from the starting model each file carries");
      CLI::Option* engine =
          command->add_option("--engine", options->engine, "Inversion engine (default documented)");
      engine->check(CLI::IsMember({"documented", "accurate"}));
      command->add_option("-j,--jobs", options->jobs, "Soundings inverted at a time (default 1)")
          ->check(CLI::Range(1, 1024));
      command->add_option(
          "--crs",
          options->crs,
          "Projected coordinate system of x and y, e.g. EPSG:32633 (places the soundings on the "
          "map in soundings.geojson)");
      command->add_option(
          "--section",
          options->section,
          "Draw a resistivity section per profile (" + PictureExtensionList() + ")");
      command->add_option("--size", options->size, "Section size WxH in pixels (default 1280x800)");
      command->add_flag("--elevation", options->elevation, "Section against elevation, not depth");
      command->add_flag("--interpolate", options->interpolate, "Interpolate between soundings");
      command
          ->add_option("--depth",
                       options->depth,
                       "Depth of the section in metres (default: from the models)")
          ->check(NumberIn(1e-3, 1e6, "[0.001 - 1e+06]"));
      command
          ->add_option("--lateral",
                       options->lateral,
                       "Invert each profile's soundings together, tying neighbours' "
                       "log-resistivities with this weight (0 ties nothing)")
          ->check(NumberIn(0.0, 1e6, "[0 - 1e+06]"));
      return [options, engine]() {
        options->engine_given = engine->count() > 0;
        return RunSurvey(*options);
      };
    });

}  // namespace
}  // namespace layra::cli
