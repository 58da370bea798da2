#ifndef LAYRA_WINDOWS_UNDO_COMMANDS_H_
#define LAYRA_WINDOWS_UNDO_COMMANDS_H_

// What the undo history of a sounding holds (Edit > Undo, Ctrl+Z; Redo,
// Ctrl+Shift+Z): edits of the working model (on the plot or in the Model
// table), points left out or taken back, and runs. Each command finds its
// sounding by its document, so that it stays right while other soundings
// are added or removed; `changed` redraws what shows the sounding.

#include <QUndoCommand>
#include <functional>

#include "project/project_file.h"

namespace layra {

class SoundingWorkspace;

// The working model and whether the plot shows it (rather than a run).
struct ModelState {
  LayeredModel model;
  bool shown = false;
};

class SoundingCommand : public QUndoCommand {
 public:
  SoundingCommand(SoundingWorkspace& workspace,
                  SoundingDocument& document,
                  std::function<void()> changed,
                  const QString& text);

 protected:
  // The sounding of the document; null once it is no longer open.
  ProjectSounding* Sounding() const;
  void Changed() const {
    if (changed_) changed_();
  }

 private:
  SoundingWorkspace& workspace_;
  SoundingDocument* document_;
  std::function<void()> changed_;
};

class ModelEditCommand : public SoundingCommand {
 public:
  ModelEditCommand(SoundingWorkspace& workspace,
                   SoundingDocument& document,
                   std::function<void()> changed,
                   const QString& text,
                   ModelState before,
                   ModelState after);
  void undo() override { Apply(before_); }
  void redo() override { Apply(after_); }

 private:
  void Apply(const ModelState& state);
  ModelState before_;
  ModelState after_;
};

class LeaveOutCommand : public SoundingCommand {
 public:
  LeaveOutCommand(SoundingWorkspace& workspace,
                  SoundingDocument& document,
                  std::function<void()> changed,
                  int point,
                  bool left_out);
  void undo() override { Apply(!left_out_); }
  void redo() override { Apply(left_out_); }

 private:
  void Apply(bool left_out);
  int point_;
  bool left_out_;
};

// Readings left out of the merge or taken back: the data merged again.
struct MergeState {
  std::vector<int> leftOutReadings;
  SoundingData data;
  std::array<unsigned char, kMaxPoints> excluded{};
};

class MergeCommand : public SoundingCommand {
 public:
  MergeCommand(SoundingWorkspace& workspace,
               SoundingDocument& document,
               std::function<void()> changed,
               const QString& text,
               MergeState before,
               MergeState after);
  void undo() override { Apply(before_); }
  void redo() override { Apply(after_); }

 private:
  void Apply(const MergeState& state);
  MergeState before_;
  MergeState after_;
};

// A run added to the sounding's runs and shown; the settings it leaves
// become the sounding's.
class AddRunCommand : public SoundingCommand {
 public:
  AddRunCommand(SoundingWorkspace& workspace,
                SoundingDocument& document,
                std::function<void()> changed,
                SoundingRun run,
                const InversionSettings& settings_after);
  void undo() override;
  void redo() override;

 private:
  SoundingRun run_;
  InversionSettings settings_before_;
  InversionSettings settings_after_;
  int shown_before_ = -1;
  bool model_shown_before_ = false;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_UNDO_COMMANDS_H_
