// layra-cli invert FILE.dat...: reads each data file as `read` does and
// inverts it as the main window's "Automatic Inversion" does, or with
// --user-model as "Invert with user model" does on the file's starting model.
// Several files are inverted independently, up to -j at a time; each job has
// its own state, canvas and host. Progress lines go to stdout (to stderr with
// --json), one file's block at a time in the order the files were given; a
// summary (or, with --json, an array of results) ends the run. Each file's
// output is passed on as soon as it and those before it are done, so memory
// does not grow with the number of files. The exit status is non-zero when any
// file was refused or failed.

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "analysis/uncertainty_plot.h"
#include "analysis/uncertainty_report.h"
#include "cli/command_registry.h"
#include "cli/console_host.h"
#include "cli/json_fit.h"
#include "cli/json_records.h"
#include "cli/json_uncertainty.h"
#include "cli/json_util.h"
#include "cli/output_paths.h"
#include "cli/plot_output.h"
#include "cli/progress_canvas.h"
#include "cli/text_canvas.h"
#include "fileio/data_file.h"
#include "fileio/same_file.h"
#include "inversion/accurate_search.h"
#include "inversion/inversion_driver.h"
#include "state/records.h"
#include "state/text_format.h"
#include "state/user_model_rules.h"

namespace layra::cli {
namespace {

struct InvertOptions {
  std::vector<std::string> files;
  bool user_model = false;
  int iterations = 8;
  std::vector<double> damping;                // initial, minimum
  double convergence_percent = std::nan("");  // not given: the default or the file's limit
  int more_iterations = 0;
  std::string output;
  std::string output_directory;
  std::string plot;
  std::string size = "1280x800";
  int jobs = 1;
  bool json = false;
  std::string engine = "documented";
  std::vector<std::string> fixed;
  std::vector<std::string> bounds;  // NAME=LOW:HIGH
  bool robust = false;
  double error_floor_percent = 1.0;
  double assumed_error_percent = 3.0;
  bool assumed_error_given = false;  // otherwise errors are estimated from the data
  std::string layers;                // "auto": choose the layer count
  bool uncertainty = false;
  EngineOptions engine_options;  // the above, checked and parsed
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
  try {
    size_t used_low = 0, used_high = 0;
    const std::string low = text.substr(equals + 1, colon - equals - 1);
    const std::string high = text.substr(colon + 1);
    bound->low = std::stod(low, &used_low);
    bound->high = std::stod(high, &used_high);
    if (used_low != low.size() || used_high != high.size()) throw std::invalid_argument(text);
  } catch (const std::exception&) {
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
  if ((!engine.fixed.empty() || !engine.bounds.empty()) &&
      (engine.engine != EngineKind::kAccurate || !options.user_model)) {
    *message = "--fix and --bound need --engine accurate and --user-model";
    return false;
  }
  if (options.robust && options.user_model) {
    *message =
        "--robust shapes the smooth model of the automatic inversion; a run from a user model "
        "has none (leave out --user-model or --robust)";
    return false;
  }
  if (!options.layers.empty() && options.layers != "auto") {
    *message = "--layers " + options.layers + ": the only choice is auto";
    return false;
  }
  if (!options.layers.empty() && (engine.engine != EngineKind::kAccurate || options.user_model ||
                                  !engine.fixed.empty() || !engine.bounds.empty())) {
    *message =
        "--layers auto needs --engine accurate and chooses the starting model itself (no "
        "--user-model, --fix or --bound)";
    return false;
  }
  if (options.uncertainty && engine.engine != EngineKind::kAccurate) {
    *message =
        "--uncertainty needs --engine accurate: the analysis measures the fit with the data "
        "errors and the exact response, by which the documented engine's model is not the "
        "best one";
    return false;
  }
  return true;
}

// `value` held to lo..hi; what is not a finite number counts as 0, as text
// the dialogs cannot read does.
float Clamp(double value, float lo, float hi) {
  const float v = std::isfinite(value) ? static_cast<float>(value) : 0.0f;
  return std::min(std::max(v, lo), hi);
}

// A number of lo..hi, as the settings dialogs allow; anything else (NaN
// included) is refused naming the range. The dialogs clamp instead; a
// command line has no field to show the clamped value in.
CLI::Validator InRange(double lo, double hi) {
  return CLI::Validator(
      [lo, hi](std::string& text) -> std::string {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || *end != '\0' || !(value >= lo && value <= hi)) {
          return "Value " + text + " not in range [" + StrFormat("%g", lo) + " - " +
                 StrFormat("%g", hi) + "]";
        }
        return std::string();
      },
      "[" + StrFormat("%g", lo) + " - " + StrFormat("%g", hi) + "]");
}

// Settings as the dialogs leave them (the options were checked on parsing).
void ApplyOptions(const InvertOptions& options, InversionSettings& settings) {
  settings.iterationLimit = std::min(std::max(options.iterations, 1), kMaxRunIterations);
  if (options.damping.size() == 2) {
    settings.initialDampingFactor = Clamp(options.damping[0], 0.01f, 1.0f);
    settings.minimumDampingFactor = Clamp(options.damping[1], 0.001f, 0.25f);
  }
  if (!std::isnan(options.convergence_percent)) {
    settings.convergenceLimit = Clamp(options.convergence_percent * 0.01, 0.0001f, 1.0f);
  }
}

// The console host of one job: messages are kept for the job's block; the
// save chooser takes -o when given, or puts the offered name into
// --output-dir; the iteration-limit prompt answers --more-iterations once per
// run and the convergence prompt keeps the limit.
class JobHost : public ConsoleHost {
 public:
  JobHost(std::ostream& err, const InvertOptions& options) : ConsoleHost(err), options_(options) {}
  MessageAnswer ShowMessage(const std::string& text,
                            const std::string& caption,
                            MessageIcon icon,
                            MessageButtons buttons) override {
    // The only question of a run offers another results file name when one
    // cannot be created; the command line has no other name to offer, and the
    // run's message names the file and the system's reason instead.
    if (buttons == MessageButtons::kYesNo) return MessageAnswer::kNo;
    if (first_message_.empty()) first_message_ = text;
    return ConsoleHost::ShowMessage(text, caption, icon, buttons);
  }
  bool ChooseSaveFile(std::string& path, const std::string& title) override {
    if (!options_.output.empty()) {
      path = options_.output;
    } else if (!options_.output_directory.empty()) {
      const std::string name = std::filesystem::path(path).filename().string();
      path = (std::filesystem::path(options_.output_directory) / name).string();
    }
    return ConsoleHost::ChooseSaveFile(path, title);
  }
  const std::string& first_message() const { return first_message_; }

 private:
  const InvertOptions& options_;
  std::string first_message_;
};

struct JobResult {
  std::string file;
  std::string status = "failed";
  std::string message;
  std::string results_file;
  std::string text;      // progress lines
  std::string messages;  // "Caption: text" lines
  int layers = 0;
  int iterations = 0;
  float misfit = 0.0f;
  double chi2 = 0.0;
  bool accurate = false;
  bool not_ok_fit = false;  // ran to the end, but the fit is not one to rely on
  nlohmann::json json;      // with --json only
  bool plot_failed = false;
};

// The results file the run of `file` will write: -o, or the data file name
// without its extension plus ".INV", in --output-dir when given. Made absolute
// so that two spellings of one path compare equal. The folder of the last
// file is kept resolved: the files of a batch mostly share one, and
// resolving it costs a system call per component.
class ResultsFileNamer {
 public:
  explicit ResultsFileNamer(const InvertOptions& options) : options_(options) {}

  std::string operator()(const std::string& file) {
    namespace fs = std::filesystem;
    fs::path path = options_.output;
    if (path.empty()) {
      path = fs::path(file).replace_extension(".INV");
      if (!options_.output_directory.empty()) {
        path = fs::path(options_.output_directory) / path.filename();
      }
    }
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
  auto state = std::make_unique<ProgramState>();
  std::ostringstream progress;
  std::ostringstream messages;
  JobHost host(messages, options);
  host.set_more_iterations(options.more_iterations);
  NullCanvas discard;
  Canvas& drawing = plot_canvas != nullptr ? *plot_canvas : static_cast<Canvas&>(discard);
  state->textLineHeight = drawing.Metrics().charHeight;

  if (ReadDataFile(result.file, *state, discard, host) != 0) {
    result.status = "refused";
    // A file that cannot be opened is refused without a message.
    result.message =
        host.first_message().empty() ? "Cannot open file " + result.file : host.first_message();
  } else {
    state->dataRead = 1;
    state->thicknessFactor = 1.25f;
    // As the main window does after a read that carried a starting model.
    if (state->userModelAvailable) CopyStartingModel(state->startingModel, state->model);
    ApplyOptions(options, state->settings);
    state->engine = options.engine_options;
    if (options.robust) state->settings.modelConstraint = 1;
    // A picture gets the run's last plot only, drawn once when the run ends.
    ProgressCanvas canvas(
        drawing, progress, plot_canvas != nullptr ? RunPlots::kLast : RunPlots::kNone);
    // --layers auto: the model of the chosen layer count is the run's start.
    const bool few_layer = options.user_model || !options.layers.empty();
    std::string choice_failure;
    if (!options.layers.empty()) {
      LayerCountChoice choice;
      if (ChooseLayerCount(state->data, state->engine, 2, 6, &choice, &choice_failure)) {
        progress << LayerCountTable(choice);
        state->model = ChosenModel(choice);
        if (options.json) result.json["layerCounts"] = LayerCountsToJson(choice);
      }
    }
    if (!choice_failure.empty()) {
      result.status = "failed";
      result.message = choice_failure;
    } else if (options.user_model && !state->userModelAvailable) {
      result.status = "refused";
      result.message = "The input data file did not have an initial model.";
    } else {
      if (few_layer) {
        InversionSettings& settings = state->settings;
        const int data_constraint = settings.dataConstraint;
        const int model_constraint = settings.modelConstraint;
        settings.dataConstraint = 0;
        settings.modelConstraint = 0;
        RunInversion(*state, 1, 0, canvas, host);
        settings.dataConstraint = data_constraint;
        settings.modelConstraint = model_constraint;
      } else {
        RunInversion(*state, 0, 0, canvas, host);
      }
      const InversionOutcome& outcome = state->outcome;
      result.status = outcome.runStatus == RunStatus::kCompleted ? "ok" : "failed";
      result.message = outcome.runMessage;
      // A run that ended but whose fit is not one to rely on says why.
      if (outcome.runStatus == RunStatus::kCompleted && outcome.fit.assessed &&
          outcome.fit.status != FitStatus::kOk) {
        result.status = FitStatusName(outcome.fit.status);
        result.message = outcome.fit.reason;
        result.not_ok_fit = true;
      }
      if (outcome.runStatus == RunStatus::kCompleted) result.results_file = state->resultsFileName;
      result.layers = state->model.layerCount;
      result.iterations = outcome.lastIteration;
      result.misfit = outcome.finalMisfit;
      result.chi2 = outcome.chi2;
      result.accurate = state->engine.engine == EngineKind::kAccurate;
      if (options.json) {
        const int n = state->data.pointCount;
        result.json["engine"] = EngineName(state->engine.engine);
        if (result.accurate) {
          result.json["chi2"] = outcome.chi2;
          if (!few_layer) result.json["regularisation"] = outcome.regularisation;
          result.json["fixed"] = state->engine.fixed;
          nlohmann::json bounds = nlohmann::json::object();
          for (const ParameterBound& bound : state->engine.bounds) {
            bounds[bound.name] = {bound.low, bound.high};
          }
          result.json["bounds"] = bounds;
          FitReportToJson(outcome.fit, &result.json);
        }
        result.json["iterations"] = outcome.lastIteration;
        result.json["misfit"] = ShortestDecimal(outcome.finalMisfit);
        result.json["misfits"] = FirstValues(outcome.misfits, outcome.lastIteration + 1);
        result.json["model"] = LayeredModelToJson(state->model);
        std::vector<std::string> warnings = state->data.warnings;
        warnings.insert(warnings.end(), outcome.warnings.begin(), outcome.warnings.end());
        result.json["warnings"] = warnings;
        // A run that failed has no calculated response to report.
        if (outcome.runStatus == RunStatus::kCompleted) {
          result.json["calculatedResistivity"] = FirstValues(outcome.calculatedResistivity, n);
          if (state->data.dataKind != DataKind::kResistivity) {
            result.json["calculatedIp"] = FirstValues(outcome.calculatedIp, n);
            result.json["misfitIp"] = ShortestDecimal(outcome.finalIpMisfit);
          }
        }
      }
      if (options.uncertainty && outcome.runStatus == RunStatus::kCompleted) {
        // How sure the model is: a table after the run's lines, the JSON key,
        // and the resistivity plot drawn again with it.
        RunUncertainty uncertainty;
        std::string failure;
        if (AnalyseRun(*state, few_layer, &uncertainty, &failure)) {
          progress << UncertaintyTable(uncertainty, state->model);
          if (options.json) result.json["uncertainty"] = UncertaintyToJson(uncertainty);
          // The run's IP and SIP panels stay as they are: the analysis is of
          // the resistivity model.
          if (plot_canvas != nullptr && state->data.dataKind == DataKind::kResistivity) {
            PlotRunUncertainty(*state, uncertainty, *plot_canvas);
          }
        } else {
          result.status = "failed";
          result.message = failure;
        }
      }
    }
  }
  result.text = progress.str();
  result.messages = messages.str();
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
std::string JsonElement(JobResult& r) {
  r.json["file"] = r.file;
  r.json["status"] = r.status;
  r.json["message"] = r.message;
  r.json["resultsFile"] = r.results_file;
  const std::string object = r.json.dump(2);
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
  const int jobs = options.plot.empty() ? std::max(1, std::min(options.jobs, count)) : 1;
  // Results done but not yet passed on, by file index. A job does not start
  // more than `window` files ahead of the first one not yet passed on.
  const int window = 4 * jobs;
  std::map<int, JobResult> pending;
  std::mutex mutex;
  std::condition_variable file_passed_on;
  int next_to_print = 0;
  int next_job = 0;
  int failures = 0;
  int not_ok_fits = 0;
  SummaryLines summary;
  auto pass_on = [&](JobResult& r) {
    if (count > 1) progress_out << "== " << r.file << '\n';
    progress_out << r.text;
    progress_out.flush();
    std::cerr << r.messages;
    std::cerr.flush();
    failures += (r.status != "ok" && !r.not_ok_fit) || r.plot_failed;
    not_ok_fits += r.not_ok_fit;
    if (options.json) {
      std::cout << (next_to_print == 0 ? "[\n" : ",\n") << JsonElement(r);
    } else {
      summary.Add(SummaryLine(r, name_width));
    }
  };
  auto worker = [&]() {
    while (true) {
      int i = 0;
      {
        std::unique_lock<std::mutex> lock(mutex);
        file_passed_on.wait(lock,
                            [&] { return next_job >= count || next_job < next_to_print + window; });
        if (next_job >= count) return;
        i = next_job++;
      }
      JobResult result;
      result.file = options.files[i];
      if (owner_of[i] != i) {
        result.message = "Results file " + ResultsFileNamer(options)(result.file) +
                         " is already written for " + options.files[owner_of[i]];
      } else if (options.plot.empty()) {
        InvertOne(options, nullptr, result);
      } else {
        // One file (checked above): the run draws into a recording that keeps
        // its last plot, which is written once when the run is over.
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
      std::lock_guard<std::mutex> lock(mutex);
      pending.emplace(i, std::move(result));
      // Blocks appear in the order of the files, each as soon as it and all
      // before it are done.
      for (auto next = pending.find(next_to_print); next != pending.end();
           next = pending.find(next_to_print)) {
        pass_on(next->second);
        pending.erase(next);
        ++next_to_print;
      }
      file_passed_on.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (int t = 1; t < jobs; ++t) threads.emplace_back(worker);
  worker();
  for (auto& thread : threads) thread.join();

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
      command
          ->add_option(
              "--iterations", options->iterations, "Number of iterations (1..25, default 8)")
          ->check(InRange(1, kMaxRunIterations));
      command
          ->add_option("--damping",
                       options->damping,
                       "Initial (0.01..1) and minimum (0.001..0.25) damping factor, e.g. 0.1,0.01")
          ->delimiter(',')
          ->expected(2)
          ->allow_extra_args(false);
      command
          ->add_option("--convergence",
                       options->convergence_percent,
                       "Convergence limit in percent (0.01..100, default 2, or the file's)")
          ->check(InRange(0.01, 100.0));
      command
          ->add_option("--more-iterations",
                       options->more_iterations,
                       "Answer to the iteration-limit prompt (0..25, default 0)")
          ->check(InRange(0, kMaxRunIterations));
      // Each damping factor has its own range.
      command->parse_complete_callback([options]() {
        const std::vector<double>& damping = options->damping;
        if (damping.size() == 2 && !(damping[0] >= 0.01 && damping[0] <= 1.0)) {
          throw CLI::ValidationError(
              "--damping",
              "Initial damping factor " + StrFormat("%g", damping[0]) + " not in range [0.01 - 1]");
        }
        if (damping.size() == 2 && !(damping[1] >= 0.001 && damping[1] <= 0.25)) {
          throw CLI::ValidationError("--damping",
                                     "Minimum damping factor " + StrFormat("%g", damping[1]) +
                                         " not in range [0.001 - 0.25]");
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
                       "Smallest data error in percent (accurate engine, default 1)")
          ->check(CLI::Range(0.0, 100.0));
      command
          ->add_option("--assumed-error",
                       options->assumed_error_percent,
                       "Error in percent of data without one (accurate engine; default: "
                       "estimated from the data)")
          ->check(CLI::Range(0.01, 100.0))
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
