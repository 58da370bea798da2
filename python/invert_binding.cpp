// layra.invert: one sounding inverted as layra-cli invert inverts a file,
// through the same checks, run and record, with the interpreter released
// while the run goes. Refused choices and files raise ValueError, files that
// cannot be written OSError; a run that starts gives its record, however it
// ended.

#include <pybind11/stl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/invert_job.h"
#include "cli/json_records.h"
#include "cli/json_util.h"
#include "cli/output_paths.h"
#include "python/bindings.h"
#include "python/collected_listing.h"
#include "python/conversions.h"
#include "python/sounding_handle.h"
#include "state/settings_rules.h"
#include "state/text_format.h"
#include "state/user_model_rules.h"

namespace layra::python {
namespace {

// The run's observer: its lines are kept and handed to the caller's
// `listing` as they come, the resistivity stage's iterations kept as the
// history. A Python error in `listing`, or Ctrl-C, stops the run between
// iterations; the error is raised when the run is over.
class PythonRun : public CollectedListing {
 public:
  PythonRun(py::object listing, int more_iterations)
      : listing_(std::move(listing)), more_iterations_(more_iterations) {}

  // The sounding's points: the calculated values kept per iteration.
  void set_points(int points) { points_ = points; }

  void Iteration(const IterationEvent& event) override {
    if (event.stage() == RunStage::kResistivity) {
      nlohmann::json step;
      step["iteration"] = event.iteration();
      step["model"] = cli::LayeredModelToJson(event.model());
      step["calculatedResistivity"] =
          cli::FirstValues(event.outcome().calculatedResistivity, points_);
      step["misfit"] = cli::ShortestDecimal(event.misfit());
      // A stage's end shows its last iteration once more.
      if (!history_.empty() && history_.back()["iteration"] == event.iteration()) {
        history_.back() = std::move(step);
      } else {
        history_.push_back(std::move(step));
      }
    }
    py::gil_scoped_acquire held;
    if (PyErr_CheckSignals() != 0) Stop();
  }
  int AskAdditionalIterations(const InversionSettings&) override {
    return std::exchange(more_iterations_, 0);
  }

  const std::atomic<bool>* cancel() const { return &cancel_; }
  const std::vector<nlohmann::json>& history() const { return history_; }
  // Raises the error that stopped the run, if one did.
  void RaiseError() {
    if (error_) {
      error_->restore();
      error_.reset();
      throw py::error_already_set();
    }
  }

 protected:
  void Keep(std::string line) override {
    if (!listing_.is_none() && !error_) {
      py::gil_scoped_acquire held;
      try {
        listing_(Text(line));
      } catch (py::error_already_set& error) {
        error_.emplace(std::move(error));
        cancel_ = true;
      }
    }
    CollectedListing::Keep(std::move(line));
  }

 private:
  void Stop() {
    error_.emplace();  // fetches the pending error
    cancel_ = true;
  }

  py::object listing_;
  int more_iterations_;
  int points_ = 0;
  std::atomic<bool> cancel_{false};
  std::optional<py::error_already_set> error_;
  std::vector<nlohmann::json> history_;
};

// Text written to the stream goes to `sink` line by line (the layer-count
// and uncertainty tables among the run's lines).
class LineBuffer : public std::stringbuf {
 public:
  explicit LineBuffer(ListingSink& sink) : sink_(sink) {}
  ~LineBuffer() override { Flush(); }

 protected:
  int sync() override {
    const std::string text = str();
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      sink_.Line(text.substr(start, end - start));
    }
    str(text.substr(start));
    return 0;
  }

 private:
  void Flush() {
    sync();
    if (!str().empty()) sink_.Line(str());
    str(std::string());
  }
  ListingSink& sink_;
};

class LineStream : public std::ostream {
 public:
  explicit LineStream(ListingSink& sink) : std::ostream(&buffer_), buffer_(sink) {
    setf(std::ios::unitbuf);  // every table handed on when written
  }

 private:
  LineBuffer buffer_;
};

std::string RangeText(double lo, double hi) {
  return StrFormat("%g", lo) + ".." + StrFormat("%g", hi);
}

void CheckRange(const char* name, double value, double lo, double hi) {
  if (!(value >= lo && value <= hi)) {
    Refuse(std::string(name) + ": " + StrFormat("%g", value) + " is not in " + RangeText(lo, hi));
  }
}

// The choices of the call, checked as layra-cli checks its options.
cli::InvertChoices Choices(const std::string& engine,
                           bool user_model,
                           const std::optional<std::string>& layers,
                           const std::vector<std::string>& fix,
                           const std::map<std::string, std::pair<double, double>>& bounds,
                           bool uncertainty,
                           int iterations,
                           const std::optional<std::pair<double, double>>& damping,
                           const std::optional<double>& convergence,
                           int more_iterations,
                           bool robust,
                           double error_floor,
                           const std::optional<double>& assumed_error) {
  cli::InvertChoices choices;
  CheckRange("iterations", iterations, kIterationLimitMin, kIterationLimitMax);
  CheckRange("more_iterations", more_iterations, 0, kIterationLimitMax);
  CheckRange("error_floor", error_floor, kErrorFloorPercentMin, kErrorFloorPercentMax);
  if (assumed_error) {
    CheckRange("assumed_error", *assumed_error, kAssumedErrorPercentMin, kAssumedErrorPercentMax);
  }
  if (convergence) {
    CheckRange(
        "convergence", *convergence, 100.0 * kConvergenceLimitMin, 100.0 * kConvergenceLimitMax);
    choices.convergence_percent = *convergence;
  }
  if (damping) {
    // Compared as the floats the settings keep.
    const auto [initial, minimum] = *damping;
    const float first = static_cast<float>(initial), second = static_cast<float>(minimum);
    if (!(first >= kInitialDampingMin && first <= kInitialDampingMax)) {
      CheckRange("damping (initial)", initial, kInitialDampingMin, kInitialDampingMax);
    }
    if (!(second >= kMinimumDampingMin && second <= kMinimumDampingMax)) {
      CheckRange("damping (minimum)", minimum, kMinimumDampingMin, kMinimumDampingMax);
    }
    choices.damping = {initial, minimum};
  }
  choices.user_model = user_model;
  choices.iterations = iterations;
  choices.more_iterations = more_iterations;
  choices.robust = robust;
  choices.layers = layers.value_or("");
  choices.uncertainty = uncertainty;
  EngineOptions& options = choices.engine_options;
  options.engine = ParseEngine(engine);
  options.errorFloorPercent = error_floor;
  options.estimateErrors = !assumed_error.has_value();
  if (assumed_error) options.assumedErrorPercent = *assumed_error;
  options.fixed = fix;
  for (const auto& [name, range] : bounds) {
    if (!(range.first < range.second)) {
      Refuse("bounds[" + name + "]: the low end must be below the high end");
    }
    options.bounds.push_back({name, range.first, range.second});
  }
  cli::ChoiceNames names;
  names.fix = "fix";
  names.bound = "bounds";
  names.accurate = "engine='accurate'";
  names.user_model = "user_model";
  names.robust = "robust";
  names.layers = "layers";
  names.uncertainty = "uncertainty";
  std::string message;
  if (!cli::CheckInvertChoices(choices, names, &message)) Refuse(message);
  return choices;
}

// A starting model given as (resistivity, thickness), accepted as the model
// dialog accepts one.
LayeredModel GivenModel(const std::vector<double>& resistivity,
                        const std::vector<double>& thickness) {
  LayeredModel given;
  given.layerCount = static_cast<int>(resistivity.size());
  if (given.layerCount < kUserModelMinLayers || given.layerCount > kUserModelMaxAcceptedLayers) {
    Refuse(StrFormat("user_model: %d layers; a starting model has %d to %d layers",
                     given.layerCount,
                     kUserModelMinLayers,
                     kUserModelMaxAcceptedLayers));
  }
  if (thickness.size() != resistivity.size() - 1) {
    Refuse(
        StrFormat("user_model: %d thicknesses for %d layers (one fewer: none for the "
                  "half-space)",
                  static_cast<int>(thickness.size()),
                  given.layerCount));
  }
  // Each value named (the model dialog's message lists the whole model).
  auto check = [](const std::vector<double>& values, const char* name, double high) {
    for (size_t i = 0; i < values.size(); ++i) {
      if (!(values[i] > 0.0 && values[i] <= high)) {
        Refuse(StrFormat("user_model: the %s of layer %d is %g; it must lie in (0, %g]",
                         name,
                         static_cast<int>(i) + 1,
                         values[i],
                         high));
      }
    }
  };
  check(resistivity, "resistivity", kUserModelMaxResistivity);
  check(thickness, "thickness", kUserModelMaxThickness);
  std::copy(resistivity.begin(), resistivity.end(), given.resistivity.begin());
  std::copy(thickness.begin(), thickness.end(), given.thickness.begin());
  LayeredModel accepted;
  std::string message;
  if (!AcceptUserModel(given, accepted, message)) Refuse("user_model: " + message);
  return accepted;
}

// The results file must not be the data file, and it must be one we may
// write: a file that cannot be made raises OSError before the run, as a
// data file that cannot be read does.
void CheckResultsPath(const std::string& results_path, const std::string& data_path) {
  if (results_path.empty()) return;
  const std::string overwrite = cli::OutputOverInputMessage(
      {{"Results file", results_path}}, {data_path}, /*distinct_outputs=*/true);
  if (!overwrite.empty()) Refuse(overwrite);
  const std::filesystem::path path(results_path);
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    errno = ENOENT;
  } else if (::access(results_path.c_str(), F_OK) == 0
                 ? ::access(results_path.c_str(), W_OK) == 0
                 : ::access(folder.c_str(), W_OK | X_OK) == 0) {
    return;
  }
  PyErr_SetFromErrnoWithFilename(PyExc_OSError, results_path.c_str());
  throw py::error_already_set();
}

py::tuple Invert(const py::object& source,
                 const std::string& engine,
                 const py::object& user_model,
                 const std::optional<std::string>& layers,
                 const std::vector<std::string>& fix,
                 const std::map<std::string, std::pair<double, double>>& bounds,
                 bool uncertainty,
                 const std::optional<std::string>& results_path,
                 int iterations,
                 const std::optional<std::pair<double, double>>& damping,
                 const std::optional<double>& convergence,
                 int more_iterations,
                 bool robust,
                 double error_floor,
                 const std::optional<double>& assumed_error,
                 const py::object& listing) {
  // user_model: None or False (automatic), True (the file's model) or the
  // pair (resistivity, thickness) of a given one.
  std::optional<LayeredModel> given;
  if (py::isinstance<py::tuple>(user_model)) {
    const auto pair = user_model.cast<std::pair<std::vector<double>, std::vector<double>>>();
    given = GivenModel(pair.first, pair.second);
  }
  const bool from_model = given.has_value() || (!user_model.is_none() && user_model.cast<bool>());
  const cli::InvertChoices choices = Choices(engine,
                                             from_model,
                                             layers,
                                             fix,
                                             bounds,
                                             uncertainty,
                                             iterations,
                                             damping,
                                             convergence,
                                             more_iterations,
                                             robust,
                                             error_floor,
                                             assumed_error);
  FileRunRequest request = cli::RunRequestOf(choices);
  request.results_path = results_path.value_or("");

  const bool read = py::isinstance<SoundingHandle>(source);
  std::shared_ptr<const SoundingHandle> handle;
  std::string path;
  if (read) {
    handle = source.cast<std::shared_ptr<SoundingHandle>>();
    path = handle->path;
  } else {
    path = source.cast<std::string>();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
      PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
      throw py::error_already_set();
    }
    std::fclose(file);
  }
  CheckResultsPath(request.results_path, path);

  PythonRun observer(listing, more_iterations);
  cli::InvertRecord record;
  bool could_start = true;
  {
    py::gil_scoped_release released;
    FileRun file =
        read ? PrepareForRun(*handle->document, request) : ReadForRun(path, request, observer);
    if (file.document != nullptr) {
      observer.set_points(file.document->data.pointCount);
      if (given) file.document->model = *given;
    }
    LineStream tables(observer);
    cli::InvertSounding(
        file, choices, request, observer, tables, true, record, nullptr, observer.cancel());
    if (const SoundingRun* run = file.run();
        run != nullptr && run->outcome.runStatus == RunStatus::kFailed) {
      could_start = RunCanStart(file.document->data, run->options);
    }
  }
  observer.RaiseError();
  // A refused file or a run that could not start is refused input.
  if (record.status == "refused" || !could_start) Refuse(record.message);
  py::list history;
  for (const nlohmann::json& step : observer.history()) history.append(ToPython(step));
  return py::make_tuple(
      ToPython(cli::InvertRecordJson(record, path)), history, Texts(observer.lines()));
}

}  // namespace

void BindInvert(py::module_& module) {
  module.def("invert",
             &Invert,
             py::arg("source"),
             py::kw_only(),
             py::arg("engine"),
             py::arg("user_model"),
             py::arg("layers"),
             py::arg("fix"),
             py::arg("bounds"),
             py::arg("uncertainty"),
             py::arg("results_path"),
             py::arg("iterations"),
             py::arg("damping"),
             py::arg("convergence"),
             py::arg("more_iterations"),
             py::arg("robust"),
             py::arg("error_floor"),
             py::arg("assumed_error"),
             py::arg("listing"));
}

}  // namespace layra::python
