#include "inversion/sounding_document.h"

#include <algorithm>
#include <limits>

#include "state/user_model_rules.h"

namespace layra {

std::string ResultsFileFor(const std::string& data_file, const std::string& extension) {
  const size_t dot = data_file.find_last_of('.');
  const size_t separator = data_file.find_last_of("/\\");
  const bool extended =
      dot != std::string::npos && (separator == std::string::npos || dot > separator);
  return (extended ? data_file.substr(0, dot) : data_file) + extension;
}

RunOptions SoundingDocument::NextRunOptions(bool from_model) const {
  RunOptions options;
  options.from_model = from_model;
  options.file_fixes_parameters = someParametersFixed != 0;
  options.settings = settings;
  if (from_model) {
    options.start_model = model;
    // A run from a model fits in the least-squares sense.
    options.settings.dataConstraint = 0;
    options.settings.modelConstraint = 0;
  }
  options.engine = engine;
  options.thickness_factor = thicknessFactor;
  options.excluded = excluded;
  return options;
}

std::vector<float> PointSpacings(const SoundingData& data) {
  const int n = std::clamp(data.pointCount, 0, kMaxPoints);
  return std::vector<float>(data.spacingA.begin(), data.spacingA.begin() + n);
}

int SoundingRun::PointCount(const SoundingData& data) const {
  return spacing.empty() ? data.pointCount : static_cast<int>(spacing.size());
}

bool SoundingRun::MadeOn(const SoundingData& data) const {
  return spacing.empty() || spacing == PointSpacings(data);
}

SoundingRun RunOnPoints(const SoundingRun& run, const SoundingData& data) {
  SoundingRun moved = run;
  if (run.MadeOn(data)) return moved;
  InversionOutcome& outcome = moved.outcome;
  outcome.calculatedResistivity.fill(std::numeric_limits<float>::quiet_NaN());
  outcome.calculatedIp.fill(std::numeric_limits<float>::quiet_NaN());
  const int n = std::clamp(data.pointCount, 0, kMaxPoints);
  for (int p = 0; p < n; ++p) {
    for (size_t q = 0; q < run.spacing.size() && q < static_cast<size_t>(kMaxPoints); ++q) {
      if (run.spacing[q] != data.spacingA[p]) continue;
      outcome.calculatedResistivity[p] = run.outcome.calculatedResistivity[q];
      outcome.calculatedIp[p] = run.outcome.calculatedIp[q];
      break;
    }
  }
  moved.spacing = PointSpacings(data);
  return moved;
}

const SoundingRun& SoundingDocument::Run(const RunOptions& options,
                                         RunObserver& observer,
                                         const std::atomic<bool>* cancel) {
  runs.push_back({options, RunInversion(data, options, observer, cancel), PointSpacings(data)});
  const InversionSettings& left = runs.back().outcome.settings;
  const int data_constraint = settings.dataConstraint;
  const int model_constraint = settings.modelConstraint;
  settings = left;
  if (options.from_model) {
    settings.dataConstraint = data_constraint;
    settings.modelConstraint = model_constraint;
  }
  return runs.back();
}

namespace {

// The settings and engine of the next run; a file's starting model brings
// its convergence limit, and `convergence_limit_set` puts the given one
// instead.
void SetUp(SoundingDocument& document,
           const InversionSettings& settings,
           const EngineOptions& engine,
           bool convergence_limit_set) {
  document.settings = settings;
  document.engine = engine;
  if (document.userModelAvailable && !convergence_limit_set) {
    document.settings.convergenceLimit = document.convergenceLimit;
  }
}

}  // namespace

std::unique_ptr<SoundingDocument> ReadSoundingDocument(const std::string& path,
                                                       ListingSink& listing,
                                                       const InversionSettings& settings,
                                                       const EngineOptions& engine) {
  auto document = std::make_unique<SoundingDocument>();
  if (ReadDataFile(path, *document, listing) != 0) return nullptr;
  if (document->userModelAvailable) CopyStartingModel(document->startingModel, document->model);
  SetUp(*document, settings, engine, false);
  return document;
}

FileRun ReadForRun(const std::string& path, const FileRunRequest& request, ListingSink& messages) {
  // The reader's lines are not shown; its messages and beeps are, and the
  // first message says why a file was refused.
  struct Reading : ListingSink {
    explicit Reading(ListingSink& sink) : to(sink) {}
    void Line(const std::string&) override {}
    void Message(const std::string& text, const std::string& caption, MessageIcon icon) override {
      if (first.empty()) first = text;
      to.Message(text, caption, icon);
    }
    void Beep() override { to.Beep(); }
    bool ShowsLines() const override { return false; }
    ListingSink& to;
    std::string first;
  } reading(messages);

  FileRun file;
  file.document = ReadSoundingDocument(path, reading, request.settings, request.engine);
  if (file.document == nullptr) {
    // A file that cannot be opened is refused without a message.
    file.refusal = reading.first.empty() ? "Cannot open file " + path : reading.first;
  } else if (request.convergence_limit_set) {
    file.document->settings.convergenceLimit = request.settings.convergenceLimit;
  }
  return file;
}

FileRun PrepareForRun(const SoundingDocument& read, const FileRunRequest& request) {
  FileRun file;
  file.document = std::make_unique<SoundingDocument>(read);
  SetUp(*file.document, request.settings, request.engine, request.convergence_limit_set);
  return file;
}

void RunFile(FileRun& file,
             const FileRunRequest& request,
             RunObserver& observer,
             const std::atomic<bool>* cancel) {
  SoundingDocument& document = *file.document;
  if (request.from_model && document.model.layerCount < 1) {
    file.refusal = "The input data file did not have an initial model.";
    return;
  }
  RunOptions options = document.NextRunOptions(request.from_model);
  options.results_path = request.results_path;
  document.Run(options, observer, cancel);
}

FileRun ReadAndRun(const std::string& path,
                   const FileRunRequest& request,
                   RunObserver& observer,
                   const std::atomic<bool>* cancel) {
  FileRun file = ReadForRun(path, request, observer);
  if (file.document != nullptr) RunFile(file, request, observer, cancel);
  return file;
}

}  // namespace layra
