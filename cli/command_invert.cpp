// layra-cli invert FILE.dat...: reads each data file as `read` does and
// inverts it as the main window's "Automatic Inversion" does (--user-model:
// "Invert with user model" on the file's starting model), up to -j files at a
// time, each in its own document. Progress lines go to stdout (stderr with
// --json), one file's block at a time in the order given, as soon as it and
// those before it are done; a summary (or a JSON array) ends the run. The
// exit status is non-zero when any file was refused or failed.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/command_registry.h"
#include "cli/console_listing.h"
#include "cli/invert_job.h"
#include "cli/json_util.h"
#include "cli/output_paths.h"
#include "cli/plot_output.h"
#include "fileio/same_file.h"
#include "inversion/job_runner.h"
#include "inversion/sounding_document.h"
#include "state/records.h"
#include "state/settings_rules.h"
#include "state/text_format.h"

namespace layra::cli {
namespace {

// The choices of a run (user model, settings, layers, uncertainty, engine
// options) and the command line's own.
struct InvertOptions : InvertChoices {
  std::vector<std::string> files;
  std::string output;
  std::string output_directory;
  std::string plot;
  std::string size = "1280x800";
  int jobs = 1;
  bool json = false;
  std::string engine = "documented";
  std::vector<std::string> fixed;
  std::vector<std::string> bounds;  // NAME=LOW:HIGH
  double error_floor_percent = EngineOptions().errorFloorPercent;
  double assumed_error_percent = EngineOptions().assumedErrorPercent;
  bool assumed_error_given = false;  // otherwise errors are estimated from the data
};

// Parses NAME=LOW:HIGH; false with a message naming the text.
bool ParseBound(const std::string& text, ParameterBound* bound, std::string* message) {
  const size_t equals = text.find('=');
  const size_t colon = text.find(':', equals == std::string::npos ? 0 : equals);
  if (equals == std::string::npos || equals == 0 || colon == std::string::npos) {
    *message = "--bound " + text + ": expected NAME=LOW:HIGH, e.g. rho2=10:100";
    return false;
  }
  bound->name = text.substr(0, equals);
  const std::string low = text.substr(equals + 1, colon - equals - 1);
  const std::string high = text.substr(colon + 1);
  if (!ParseNumber(low, &bound->low) || !ParseNumber(high, &bound->high)) {
    *message = "--bound " + text + ": LOW and HIGH must be numbers";
    return false;
  }
  if (!(bound->low < bound->high)) {
    *message = "--bound " + text + ": LOW must be below HIGH";
    return false;
  }
  return true;
}

// The engine choices of the command line; false with a message when they
// cannot be honoured.
bool BuildEngineOptions(InvertOptions& options, std::string* message) {
  EngineOptions& engine = options.engine_options;
  engine.engine = options.engine == "accurate" ? EngineKind::kAccurate : EngineKind::kDocumented;
  engine.errorFloorPercent = options.error_floor_percent;
  engine.assumedErrorPercent = options.assumed_error_percent;
  engine.estimateErrors = !options.assumed_error_given;
  for (const std::string& list : options.fixed) {
    if (!list.empty()) engine.fixed.push_back(list);
  }
  for (const std::string& text : options.bounds) {
    ParameterBound bound;
    if (!ParseBound(text, &bound, message)) return false;
    engine.bounds.push_back(bound);
  }
  return CheckInvertChoices(options, ChoiceNames(), message);
}

// "[lo - hi]" as the range messages show it.
std::string RangeText(double lo, double hi) {
  return "[" + StrFormat("%g", lo) + " - " + StrFormat("%g", hi) + "]";
}

// A number of lo..hi, as the settings dialogs allow; anything else (NaN
// included) is refused naming the range. The dialogs clamp instead; a
// command line has no field to show the clamped value in.
CLI::Validator InRange(double lo, double hi) {
  return CLI::Validator(
      [lo, hi](std::string& text) -> std::string {
        double value = 0.0;
        if (!ParseNumber(text, &value) || !(value >= lo && value <= hi)) {
          return "Value " + text + " not in range " + RangeText(lo, hi);
        }
        return std::string();
      },
      RangeText(lo, hi));
}

// A damping factor typed as `value` lies in lo..hi, compared as the float the
// settings keep.
bool WithinDamping(double value, float lo, float hi) {
  const float factor = static_cast<float>(value);
  return factor >= lo && factor <= hi;
}

// The results file of `file`'s run: -o, or the name a run offers (the data
// file's name with ".INV"), put into --output-dir when given.
std::string ResultsPathOf(const InvertOptions& options, const std::string& file) {
  if (!options.output.empty()) return options.output;
  const std::string offered = ResultsFileFor(file);
  if (options.output_directory.empty()) return offered;
  return (std::filesystem::path(options.output_directory) /
          std::filesystem::path(offered).filename())
      .string();
}

// The progress lines of one file's block and its messages, for the streams.
struct JobStreams {
  std::ostringstream progress;
  std::ostringstream messages;
};

// Watches one file's run: listed into the file's block, the last plot kept
// for a picture; --more-iterations answers the iteration-limit question once,
// the convergence question keeps the limit.
class JobObserver : public JobStreams, public ConsoleListing {
 public:
  JobObserver(int more_iterations, bool keep_plot)
      : ConsoleListing(&progress, messages),
        more_iterations_(more_iterations),
        keep_plot_(keep_plot) {}

  void Iteration(const IterationEvent& event) override {
    if (keep_plot_) last_plot = event.Snapshot();
  }
  int AskAdditionalIterations(const InversionSettings&) override {
    const int more = more_iterations_;
    more_iterations_ = 0;
    return more;
  }

  std::unique_ptr<PlotSnapshot> last_plot;

 private:
  int more_iterations_;
  const bool keep_plot_;
};

struct JobResult : InvertRecord {
  std::string file;
  std::string text;      // progress lines
  std::string messages;  // "Caption: text" lines
  bool plot_failed = false;
};

// ResultsPathOf made absolute, so that two spellings of one path compare
// equal. The folder of the last file is kept resolved: the files of a batch
// mostly share one, and resolving it costs a system call per component.
class ResultsFileNamer {
 public:
  explicit ResultsFileNamer(const InvertOptions& options) : options_(options) {}

  std::string operator()(const std::string& file) {
    const std::filesystem::path path = ResultsPathOf(options_, file);
    const std::string folder = path.parent_path().string();
    if (!resolved_ || folder != folder_) {
      folder_ = folder;
      resolved_folder_ = AbsoluteNormalPath(folder);
      resolved_ = true;
    }
    return (resolved_folder_ / path.filename()).lexically_normal().string();
  }

 private:
  const InvertOptions& options_;
  bool resolved_ = false;
  std::string folder_;
  std::filesystem::path resolved_folder_;
};

void InvertOne(const InvertOptions& options, Canvas* plot_canvas, JobResult& result) {
  JobObserver observer(options.more_iterations, plot_canvas != nullptr);
  FileRunRequest request = RunRequestOf(options);
  request.results_path = ResultsPathOf(options, result.file);
  FileRun file = ReadForRun(result.file, request, observer);
  if (plot_canvas != nullptr) {
    const InvertPicture picture{*plot_canvas, observer.last_plot};
    InvertSounding(
        file, options, request, observer, observer.progress, options.json, result, &picture);
  } else {
    InvertSounding(file, options, request, observer, observer.progress, options.json, result);
  }
  result.text = observer.progress.str();
  result.messages = observer.messages.str();
}

// The summary line of one file; `name_width` is the widest file name.
std::string SummaryLine(const JobResult& r, int name_width) {
  const bool ran = r.layers > 0;
  // The accurate engine adds the error-weighted misfit.
  std::string line = StrFormat("%-*s %6s %10s %8s  %s%s",
                               name_width,
                               r.file.c_str(),
                               ran ? std::to_string(r.layers).c_str() : "-",
                               ran ? std::to_string(r.iterations).c_str() : "-",
                               ran ? StrFormat("%.2f", 100.0 * r.misfit).c_str() : "-",
                               !r.accurate ? ""
                               : ran       ? StrFormat("%8.3f  ", r.chi2).c_str()
                                           : "       -  ",
                               r.status.c_str());
  if (r.status != "ok" && !r.message.empty()) {
    line += " (" + r.message.substr(0, r.message.find('\n')) + ")";
  }
  return line + '\n';
}

// One element of the --json array as it stands inside the array: the object
// with every line indented by two more spaces.
std::string JsonElement(const JobResult& r) {
  const std::string object = JsonText(InvertRecordJson(r, r.file));
  std::string element = "  ";
  element.reserve(object.size() + object.size() / 8);
  for (char c : object) {
    element += c;
    if (c == '\n') element += "  ";
  }
  return element;
}

// The summary lines of the files done so far, until the table is printed at
// the end: in memory up to kKeptLimit bytes (a batch of a thousand files),
// then moved on to a temporary file, made only then, so that memory stays
// flat however many files a batch has. Once the temporary file fails the
// lines stay in memory.
class SummaryLines {
 public:
  SummaryLines() = default;
  ~SummaryLines() {
    if (spill_ != nullptr) std::fclose(spill_);
  }
  SummaryLines(const SummaryLines&) = delete;
  SummaryLines& operator=(const SummaryLines&) = delete;

  void Add(const std::string& line) {
    kept_ += line;
    if (kept_.size() < kKeptLimit || failed_) return;
    if (spill_ == nullptr) spill_ = std::tmpfile();
    if (spill_ != nullptr && std::fwrite(kept_.data(), 1, kept_.size(), spill_) == kept_.size() &&
        std::fflush(spill_) == 0) {
      spilled_ += kept_.size();
      kept_.clear();
    } else {
      // Whatever part of the lines reached the file is not read back.
      failed_ = true;
    }
  }
  void CopyTo(std::ostream& out) {
    if (spill_ != nullptr && spilled_ > 0) {
      std::rewind(spill_);
      char buffer[8192];
      for (std::size_t left = spilled_; left > 0;) {
        const std::size_t read = std::fread(buffer, 1, std::min(left, sizeof buffer), spill_);
        if (read == 0) break;
        out.write(buffer, static_cast<std::streamsize>(read));
        left -= read;
      }
    }
    out << kept_;
  }

 private:
  static constexpr std::size_t kKeptLimit = 64 << 10;
  std::FILE* spill_ = nullptr;
  std::size_t spilled_ = 0;  // bytes of whole lines in the file
  std::string kept_;
  bool failed_ = false;
};

int RunInvert(const InvertOptions& options) {
  const int count = static_cast<int>(options.files.size());
  if (count > 1 && (!options.output.empty() || !options.plot.empty())) {
    std::cerr << "-o and --plot name one file each; give them with a single data file.\n";
    return 2;
  }
  // No results file may be written over a data file of the run, nor the plot
  // over either (results files shared by two data files are handled below).
  ResultsFileNamer results_file_of(options);
  std::vector<NamedPath> outputs = {{"Plot file", options.plot}};
  for (const std::string& file : options.files) {
    outputs.push_back({"Results file", results_file_of(file)});
  }
  const std::string overwrite = OutputOverInputMessage(outputs, options.files, count == 1);
  if (!overwrite.empty()) {
    std::cerr << overwrite << '\n';
    return 2;
  }
  if (!options.output_directory.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options.output_directory, error);
    if (!std::filesystem::is_directory(options.output_directory)) {
      std::cerr << "Cannot create the folder " << options.output_directory
                << (error ? ": " + error.message() : std::string()) << '\n';
      return 1;
    }
  }
  std::ostream& progress_out = options.json ? std::cerr : std::cout;
  // Two files whose results would go to the same file (the same data file
  // twice, or equal names into one --output-dir) would write it at the same
  // time: only the first of them is inverted.
  // Kept by the hash of the path, so memory stays small for many files; a
  // match of hashes is checked on the paths themselves.
  std::vector<int> owner_of(count);
  {
    std::unordered_multimap<std::size_t, int> results_owner;
    for (int i = 0; i < count; ++i) {
      const std::string path = results_file_of(options.files[i]);
      const std::size_t hash = std::hash<std::string>()(path);
      owner_of[i] = i;
      const auto [first, last] = results_owner.equal_range(hash);
      for (auto it = first; it != last && owner_of[i] == i; ++it) {
        if (results_file_of(options.files[it->second]) == path) {
          owner_of[i] = it->second;
        }
      }
      if (owner_of[i] == i) results_owner.emplace(hash, i);
    }
  }
  std::size_t width = 4;
  for (const auto& file : options.files) width = std::max(width, file.size());
  const int name_width = static_cast<int>(width);
  const int jobs = options.plot.empty() ? options.jobs : 1;
  int failures = 0;
  int not_ok_fits = 0;
  SummaryLines summary;
  auto pass_on = [&](int i, JobResult& r) {
    if (count > 1) progress_out << "== " << r.file << '\n';
    progress_out << r.text;
    progress_out.flush();
    std::cerr << r.messages;
    std::cerr.flush();
    failures += (r.status != "ok" && !r.not_ok_fit) || r.plot_failed;
    not_ok_fits += r.not_ok_fit;
    if (options.json) {
      std::cout << (i == 0 ? "[\n" : ",\n") << JsonElement(r);
    } else {
      summary.Add(SummaryLine(r, name_width));
    }
  };
  auto invert = [&](int i) {
    JobResult result;
    result.file = options.files[i];
    if (owner_of[i] != i) {
      result.message = "Results file " + ResultsFileNamer(options)(result.file) +
                       " is already written for " + options.files[owner_of[i]];
    } else if (options.plot.empty()) {
      InvertOne(options, nullptr, result);
    } else {
      // One file (checked above): its run's last plot is written at the end.
      PictureRequest request;
      std::string error;
      if (!ParsePictureRequest(options.plot, options.size, &request, &error)) {
        result.message = error;
        result.messages += error + '\n';
        result.plot_failed = true;
      } else {
        DrawingRecord drawing = MakePictureCanvas(request);
        InvertOne(options, &drawing, result);
        if (!SavePicture(drawing, request, &error)) {
          result.messages += error + '\n';
          result.plot_failed = true;
        }
      }
    }
    return result;
  };
  RunJobs<JobResult>(count, jobs, invert, pass_on);

  if (options.json) {
    std::cout << "\n]\n";
  } else {
    // The accurate engine adds the error-weighted misfit.
    const bool accurate = options.engine_options.engine == EngineKind::kAccurate;
    std::cout << StrFormat("%-*s %6s %10s %8s  %s%s\n",
                           name_width,
                           "File",
                           "Layers",
                           "Iterations",
                           "Misfit %",
                           accurate ? "  chi2/N  " : "",
                           "Status");
    summary.CopyTo(std::cout);
  }
  // 1: a file was refused or failed; 3: every run ended, but some fit is not
  // one to rely on (its status says why).
  if (failures > 0) return 1;
  return not_ok_fits > 0 ? 3 : 0;
}

CommandRegistration registration(
    "invert",
    30,
    "Invert sounding data files (.dat) into layered models",
    [](CLI::App* command) -> CommandAction {
      auto options = std::make_shared<InvertOptions>();
      command->add_option("files", options->files, "Data files")->required();
      command->add_flag(
          "--user-model", options->user_model, "Invert from the starting model each file carries");
      // The limits are the settings dialogs' (state/settings_rules.h).
      const InversionSettings defaults;
      const double percent_low = 100.0 * kConvergenceLimitMin;
      const double percent_high = 100.0 * kConvergenceLimitMax;
      command
          ->add_option("--iterations",
                       options->iterations,
                       StrFormat("Number of iterations (%d..%d, default %d)",
                                 kIterationLimitMin,
                                 kIterationLimitMax,
                                 defaults.iterationLimit))
          ->check(InRange(kIterationLimitMin, kIterationLimitMax));
      command
          ->add_option("--damping",
                       options->damping,
                       StrFormat("Initial (%g..%g) and minimum (%g..%g) damping factor, e.g. %g,%g",
                                 kInitialDampingMin,
                                 kInitialDampingMax,
                                 kMinimumDampingMin,
                                 kMinimumDampingMax,
                                 defaults.initialDampingFactor,
                                 defaults.minimumDampingFactor))
          ->delimiter(',')
          ->expected(2)
          ->allow_extra_args(false);
      command
          ->add_option("--convergence",
                       options->convergence_percent,
                       StrFormat("Convergence limit in percent (%g..%g, default %g, or the file's)",
                                 percent_low,
                                 percent_high,
                                 100.0 * defaults.convergenceLimit))
          ->check(InRange(percent_low, percent_high));
      command
          ->add_option("--more-iterations",
                       options->more_iterations,
                       StrFormat("Answer to the iteration-limit prompt (0..%d, default 0)",
                                 kIterationLimitMax))
          ->check(InRange(0, kIterationLimitMax));
      // Each damping factor has its own range.
      command->parse_complete_callback([options]() {
        const std::vector<double>& damping = options->damping;
        const char* names[] = {"Initial", "Minimum"};
        const float ranges[][2] = {{kInitialDampingMin, kInitialDampingMax},
                                   {kMinimumDampingMin, kMinimumDampingMax}};
        for (size_t k = 0; k < damping.size() && k < 2; ++k) {
          if (!WithinDamping(damping[k], ranges[k][0], ranges[k][1])) {
            throw CLI::ValidationError(
                "--damping",
                StrFormat("%s damping factor %g not in range ", names[k], damping[k]) +
                    RangeText(ranges[k][0], ranges[k][1]));
          }
        }
      });
      command->add_option(
          "-o,--output", options->output, "Results file (default: data file name .INV)");
      command->add_option("--output-dir",
                          options->output_directory,
                          "Directory for the results files (default: beside each data file)");
      command->add_option("--plot", options->plot, "Save the last plot as " + PictureFormatNames());
      command->add_option("--size", options->size, "Plot size WxH in pixels (default 1280x800)");
      command->add_option("-j,--jobs", options->jobs, "Files inverted at a time (default 1)")
          ->check(InRange(1, 1024));
      command->add_flag("--json", options->json, "Print the results as JSON on stdout");
      command
          ->add_option("--engine",
                       options->engine,
                       "Inversion engine: documented (default) or accurate (exact forward, "
                       "error-weighted fits, smooth automatic inversion)")
          ->check(CLI::IsMember({"documented", "accurate"}));
      command
          ->add_option("--fix",
                       options->fixed,
                       "Parameters held at their starting values, e.g. rho2,h1 (accurate engine, "
                       "--user-model)")
          ->delimiter(',')
          ->allow_extra_args(false);
      // Each list option takes the values of its own argument only, so that
      // a data file after it is not taken for one more value.
      command
          ->add_option("--bound",
                       options->bounds,
                       "Keep a parameter in a range, NAME=LOW:HIGH, repeatable (accurate engine, "
                       "--user-model)")
          ->allow_extra_args(false);
      command->add_flag(
          "--robust", options->robust, "Robust (blocky) model of the automatic inversion");
      command->add_option("--layers",
                          options->layers,
                          "auto: fit 2 to 6 layers (accurate engine), choose the count by the "
                          "Bayesian information criterion and invert from that model");
      command->add_flag("--uncertainty",
                        options->uncertainty,
                        "How sure the model is (accurate engine): equivalence ranges, S and T with "
                        "--user-model, the depth of investigation otherwise");
      command
          ->add_option("--error-floor",
                       options->error_floor_percent,
                       "Smallest data error in percent (accurate engine, default " +
                           StrFormat("%g", EngineOptions().errorFloorPercent) + ")")
          ->check(InRange(kErrorFloorPercentMin, kErrorFloorPercentMax));
      command
          ->add_option("--assumed-error",
                       options->assumed_error_percent,
                       "Error in percent of data without one (accurate engine; default: "
                       "estimated from the data)")
          ->check(InRange(kAssumedErrorPercentMin, kAssumedErrorPercentMax))
          ->each([options](const std::string&) { options->assumed_error_given = true; });
      return [options]() {
        std::string message;
        if (!BuildEngineOptions(*options, &message)) {
          std::cerr << message << '\n';
          return 2;
        }
        return RunInvert(*options);
      };
    });

}  // namespace
}  // namespace layra::cli
