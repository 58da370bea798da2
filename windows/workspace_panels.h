#ifndef LAYRA_WINDOWS_WORKSPACE_PANELS_H_
#define LAYRA_WINDOWS_WORKSPACE_PANELS_H_

// The workspace's lists beside the plot: the soundings open (choosing one
// shows it everywhere) and the runs of the sounding shown (choosing one shows
// it in the Model table and the plot; ticking others overlays them there to
// be compared). Also the words the status bar and the lists use for a run.

#include <QListWidget>
#include <QString>

#include "project/project_file.h"

namespace layra {

class SoundingWorkspace;

// Why the resistivity stage of a run stopped, for people: "converged",
// "iteration limit reached", "misfit above target" ...
QString StopReasonText(const InversionOutcome& outcome);
// "Automatic, accurate engine" or "From a model, documented engine".
QString RunKindText(const SoundingRun& run);
// A run in one line: its number (1-based), kind, misfit and stop reason.
QString RunSummary(const SoundingRun& run, int index);

class SoundingList : public QListWidget {
  Q_OBJECT

 public:
  SoundingList(SoundingWorkspace& workspace, QWidget* parent = nullptr);

 private:
  void Refill();
  SoundingWorkspace& workspace_;
  bool filling_ = false;
};

class RunList : public QListWidget {
  Q_OBJECT

 public:
  explicit RunList(QWidget* parent = nullptr);
  // The runs of `sounding` (none for null), its shown run chosen and its
  // compared runs ticked.
  void ShowRuns(const ProjectSounding* sounding);

 signals:
  void runChosen(int run);
  void comparedChanged(int run, bool compared);

 private:
  bool filling_ = false;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_WORKSPACE_PANELS_H_
