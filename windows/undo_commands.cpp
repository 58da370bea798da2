#include "windows/undo_commands.h"

#include <utility>

#include "windows/sounding_workspace.h"

namespace layra {

SoundingCommand::SoundingCommand(SoundingWorkspace& workspace,
                                 SoundingDocument& document,
                                 std::function<void()> changed,
                                 const QString& text)
    : workspace_(workspace), document_(&document), changed_(std::move(changed)) {
  setText(text);
}

ProjectSounding* SoundingCommand::Sounding() const {
  const int index = workspace_.IndexOf(document_);
  return index >= 0 ? &workspace_.at(index) : nullptr;
}

ModelEditCommand::ModelEditCommand(SoundingWorkspace& workspace,
                                   SoundingDocument& document,
                                   std::function<void()> changed,
                                   const QString& text,
                                   ModelState before,
                                   ModelState after)
    : SoundingCommand(workspace, document, std::move(changed), text),
      before_(std::move(before)),
      after_(std::move(after)) {}

void ModelEditCommand::Apply(const ModelState& state) {
  ProjectSounding* sounding = Sounding();
  if (sounding == nullptr) return;
  sounding->document->model = state.model;
  sounding->modelShown = state.shown;
  Changed();
}

LeaveOutCommand::LeaveOutCommand(SoundingWorkspace& workspace,
                                 SoundingDocument& document,
                                 std::function<void()> changed,
                                 int point,
                                 bool left_out)
    : SoundingCommand(
          workspace,
          document,
          std::move(changed),
          (left_out ? QStringLiteral("Leave out point %1") : QStringLiteral("Take back point %1"))
              .arg(point + 1)),
      point_(point),
      left_out_(left_out) {}

void LeaveOutCommand::Apply(bool left_out) {
  ProjectSounding* sounding = Sounding();
  if (sounding == nullptr || point_ < 0 || point_ >= kMaxPoints) return;
  sounding->document->excluded[static_cast<size_t>(point_)] = left_out ? 1 : 0;
  Changed();
}

MergeCommand::MergeCommand(SoundingWorkspace& workspace,
                           SoundingDocument& document,
                           std::function<void()> changed,
                           const QString& text,
                           MergeState before,
                           MergeState after)
    : SoundingCommand(workspace, document, std::move(changed), text),
      before_(std::move(before)),
      after_(std::move(after)) {}

void MergeCommand::Apply(const MergeState& state) {
  ProjectSounding* sounding = Sounding();
  if (sounding == nullptr) return;
  sounding->leftOutReadings = state.leftOutReadings;
  sounding->document->data = state.data;
  sounding->document->excluded = state.excluded;
  Changed();
}

AddRunCommand::AddRunCommand(SoundingWorkspace& workspace,
                             SoundingDocument& document,
                             std::function<void()> changed,
                             SoundingRun run,
                             const InversionSettings& settings_after)
    : SoundingCommand(workspace,
                      document,
                      std::move(changed),
                      QStringLiteral("Run %1").arg(document.runs.size() + 1)),
      run_(std::move(run)),
      settings_before_(document.settings),
      settings_after_(settings_after) {}

void AddRunCommand::redo() {
  ProjectSounding* sounding = Sounding();
  if (sounding == nullptr) return;
  SoundingDocument& document = *sounding->document;
  shown_before_ = sounding->shownRun;
  model_shown_before_ = sounding->modelShown;
  document.runs.push_back(run_);
  document.settings = settings_after_;
  sounding->shownRun = static_cast<int>(document.runs.size()) - 1;
  sounding->modelShown = false;
  Changed();
}

void AddRunCommand::undo() {
  ProjectSounding* sounding = Sounding();
  if (sounding == nullptr || sounding->document->runs.empty()) return;
  SoundingDocument& document = *sounding->document;
  const int removed = static_cast<int>(document.runs.size()) - 1;
  document.runs.pop_back();
  document.settings = settings_before_;
  sounding->shownRun = shown_before_;
  sounding->modelShown = model_shown_before_;
  std::vector<int>& compared = sounding->comparedRuns;
  compared.erase(std::remove(compared.begin(), compared.end(), removed), compared.end());
  if (sounding->analysedRun == removed) {
    sounding->analysedRun = -1;
    sounding->uncertainty.reset();
  }
  Changed();
}

}  // namespace layra
