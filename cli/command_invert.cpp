// layra-cli invert FILE.dat...: reads each data file as `read` does and
// inverts it as the main window's "Automatic Inversion" does, or with
// --user-model as "Invert with user model" does on the file's starting model.
// Several files are inverted independently, up to -j at a time; each job has
// its own state, canvas and host. Progress lines go to stdout (to stderr with
// --json), one file's block at a time in the order the files were given; a
// summary (or, with --json, an array of results) ends the run. The exit status
// is non-zero when any file was refused or failed.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/command_registry.h"
#include "cli/console_host.h"
#include "cli/json_records.h"
#include "cli/json_util.h"
#include "cli/plot_output.h"
#include "cli/progress_canvas.h"
#include "cli/text_canvas.h"
#include "fileio/data_file.h"
#include "inversion/inversion_driver.h"
#include "state/records.h"
#include "state/text_format.h"

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
};

// `value` held to lo..hi; what is not a finite number counts as 0, as text
// the dialogs cannot read does.
float Clamp(double value, float lo, float hi) {
  const float v = std::isfinite(value) ? static_cast<float>(value) : 0.0f;
  return std::min(std::max(v, lo), hi);
}

// Settings as the dialogs leave them: clamped, never refused.
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
  nlohmann::json json;
  bool plot_failed = false;
  bool skipped = false;  // its results file belongs to an earlier file
  bool done = false;
};

// The results file the run of `file` will write: -o, or the data file name
// without its extension plus ".INV", in --output-dir when given. Made absolute
// so that two spellings of one path compare equal.
std::string ExpectedResultsFile(const InvertOptions& options, const std::string& file) {
  namespace fs = std::filesystem;
  fs::path path = options.output;
  if (path.empty()) {
    path = fs::path(file).replace_extension(".INV");
    if (!options.output_directory.empty()) {
      path = fs::path(options.output_directory) / path.filename();
    }
  }
  std::error_code error;
  const fs::path absolute = fs::weakly_canonical(fs::absolute(path, error), error);
  return error ? path.lexically_normal().string() : absolute.string();
}

void InvertOne(const InvertOptions& options, Canvas* plot_canvas, JobResult& result) {
  auto state = std::make_unique<ProgramState>();
  std::ostringstream progress;
  std::ostringstream messages;
  JobHost host(messages, options);
  host.set_more_iterations(options.more_iterations);
  NullCanvas discard;
  Canvas& drawing = plot_canvas != nullptr ? *plot_canvas : static_cast<Canvas&>(discard);
  state->textLineHeight = drawing.Metrics().charHeight;

  result.json["file"] = result.file;
  if (ReadDataFile(result.file, *state, discard, host) != 0) {
    result.status = "refused";
    // A file that cannot be opened is refused without a message.
    result.message =
        host.first_message().empty() ? "Cannot open file " + result.file : host.first_message();
  } else {
    state->dataRead = 1;
    state->thicknessFactor = 1.25f;
    if (state->userModelAvailable) {
      // As the main window does after a read that carried a starting model.
      const LayeredModel& start = state->startingModel;
      state->model.layerCount = start.layerCount;
      state->model.resistivity = start.resistivity;
      state->model.thickness = start.thickness;
      state->model.depthTop = start.depthTop;
    }
    ApplyOptions(options, state->settings);
    ProgressCanvas canvas(drawing, progress);
    if (options.user_model && !state->userModelAvailable) {
      result.status = "refused";
      result.message = "The input data file did not have an initial model.";
    } else {
      if (options.user_model) {
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
      if (outcome.runStatus == RunStatus::kCompleted) result.results_file = state->resultsFileName;
      result.layers = state->model.layerCount;
      result.iterations = outcome.lastIteration;
      result.misfit = outcome.finalMisfit;
      const int n = state->data.pointCount;
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
  }
  result.json["status"] = result.status;
  result.json["message"] = result.message;
  result.json["resultsFile"] = result.results_file;
  result.text = progress.str();
  result.messages = messages.str();
}

int RunInvert(const InvertOptions& options) {
  const int count = static_cast<int>(options.files.size());
  if (count > 1 && (!options.output.empty() || !options.plot.empty())) {
    std::cerr << "-o and --plot name one file each; give them with a single data file.\n";
    return 2;
  }
  std::ostream& progress_out = options.json ? std::cerr : std::cout;
  std::vector<JobResult> results(count);
  for (int i = 0; i < count; ++i) results[i].file = options.files[i];
  // Two files whose results would go to the same file (the same data file
  // twice, or equal names into one --output-dir) would write it at the same
  // time: only the first of them is inverted.
  std::map<std::string, int> results_owner;
  for (int i = 0; i < count; ++i) {
    const std::string path = ExpectedResultsFile(options, options.files[i]);
    const auto [owner, inserted] = results_owner.emplace(path, i);
    if (inserted) continue;
    JobResult& r = results[i];
    r.skipped = true;
    r.message = "Results file " + path + " is already written for " + options.files[owner->second];
    r.json["file"] = r.file;
    r.json["status"] = r.status;
    r.json["message"] = r.message;
    r.json["resultsFile"] = "";
  }
  std::mutex mutex;
  int next_to_print = 0;
  std::atomic<int> next_job{0};
  auto worker = [&]() {
    for (int i = next_job++; i < count; i = next_job++) {
      if (results[i].skipped) {
        // Nothing to run.
      } else if (options.plot.empty()) {
        InvertOne(options, nullptr, results[i]);
      } else {
        // One file (checked above), on this thread: the run draws into the
        // image, which keeps the last plot and is saved when the run is over.
        std::string error;
        bool ran = false;
        const bool saved = DrawToImageFile(
            options.plot,
            options.size,
            [&](Canvas& image) {
              ran = true;
              InvertOne(options, &image, results[i]);
            },
            &error);
        if (!saved) {
          if (!ran) results[i].message = error;
          results[i].messages += error + '\n';
          results[i].plot_failed = true;
        }
      }
      std::lock_guard<std::mutex> lock(mutex);
      results[i].done = true;
      // Blocks appear in the order of the files, each as soon as it and all
      // before it are done.
      while (next_to_print < count && results[next_to_print].done) {
        const JobResult& r = results[next_to_print++];
        if (count > 1) progress_out << "== " << r.file << '\n';
        progress_out << r.text;
        progress_out.flush();
        std::cerr << r.messages;
        std::cerr.flush();
      }
    }
  };
  const int jobs = options.plot.empty() ? std::max(1, std::min(options.jobs, count)) : 1;
  std::vector<std::thread> threads;
  for (int t = 1; t < jobs; ++t) threads.emplace_back(worker);
  worker();
  for (auto& thread : threads) thread.join();

  int failures = 0;
  for (const auto& r : results) failures += r.status != "ok" || r.plot_failed;
  if (options.json) {
    nlohmann::json array = nlohmann::json::array();
    for (const auto& r : results) array.push_back(r.json);
    std::cout << array.dump(2) << '\n';
  } else {
    size_t width = 4;
    for (const auto& r : results) width = std::max(width, r.file.size());
    const int name_width = static_cast<int>(width);
    std::cout << StrFormat("%-*s %6s %10s %8s  %s\n",
                           name_width,
                           "File",
                           "Layers",
                           "Iterations",
                           "Misfit %",
                           "Status");
    for (const auto& r : results) {
      const bool ran = r.layers > 0;
      std::cout << StrFormat("%-*s %6s %10s %8s  %s",
                             name_width,
                             r.file.c_str(),
                             ran ? std::to_string(r.layers).c_str() : "-",
                             ran ? std::to_string(r.iterations).c_str() : "-",
                             ran ? StrFormat("%.2f", 100.0 * r.misfit).c_str() : "-",
                             r.status.c_str());
      if (r.status != "ok" && !r.message.empty()) {
        std::cout << " (" << r.message.substr(0, r.message.find('\n')) << ")";
      }
      std::cout << '\n';
    }
  }
  return failures == 0 ? 0 : 1;
}

CommandRegistration registration("invert", 30, [](CLI::App& app) -> CommandAction {
  auto options = std::make_shared<InvertOptions>();
  CLI::App* command =
      app.add_subcommand("invert", "Invert sounding data files (.dat) into layered models");
  command->add_option("files", options->files, "Data files")->required();
  command->add_flag(
      "--user-model", options->user_model, "Invert from the starting model each file carries");
  command->add_option(
      "--iterations", options->iterations, "Number of iterations (1..25, default 8)");
  command
      ->add_option(
          "--damping", options->damping, "Initial and minimum damping factor, e.g. 0.1,0.01")
      ->delimiter(',')
      ->expected(2);
  command->add_option("--convergence",
                      options->convergence_percent,
                      "Convergence limit in percent (default 2, or the file's)");
  command->add_option("--more-iterations",
                      options->more_iterations,
                      "Answer to the iteration-limit prompt (default 0)");
  command->add_option(
      "-o,--output", options->output, "Results file (default: data file name .INV)");
  command->add_option("--output-dir",
                      options->output_directory,
                      "Directory for the results files (default: beside each data file)");
  command->add_option("--plot", options->plot, "Save the last plot as PNG, SVG or BMP");
  command->add_option("--size", options->size, "Plot size WxH in pixels (default 1280x800)");
  command->add_option("-j,--jobs", options->jobs, "Files inverted at a time (default 1)");
  command->add_flag("--json", options->json, "Print the results as JSON on stdout");
  return [options]() { return RunInvert(*options); };
});

}  // namespace
}  // namespace layra::cli
