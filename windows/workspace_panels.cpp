#include "windows/workspace_panels.h"

#include <algorithm>

#include "windows/sounding_workspace.h"

namespace layra {

QString StopReasonText(const InversionOutcome& outcome) {
  if (outcome.runStatus == RunStatus::kFailed) return QStringLiteral("failed");
  if (outcome.runStatus == RunStatus::kCancelled) return QStringLiteral("cancelled");
  if (outcome.fit.assessed && outcome.fit.status == FitStatus::kAboveTarget) {
    return QStringLiteral("misfit above target");
  }
  switch (outcome.stopReason) {
    case StopReason::kConverged:
      return QStringLiteral("converged");
    case StopReason::kIterationLimit:
      return QStringLiteral("iteration limit reached");
    case StopReason::kNoImprovement:
      return QStringLiteral("no step lowers the misfit");
    case StopReason::kCancelled:
      return QStringLiteral("cancelled");
    case StopReason::kFailed:
      return QStringLiteral("failed");
    case StopReason::kAboveTarget:
      return QStringLiteral("misfit above target");
  }
  return QString();
}

QString RunKindText(const SoundingRun& run) {
  return QStringLiteral("%1, %2 engine")
      .arg(run.options.from_model ? QStringLiteral("From a model") : QStringLiteral("Automatic"),
           QLatin1String(EngineName(run.options.engine.engine)));
}

QString RunSummary(const SoundingRun& run, int index) {
  QString text = QStringLiteral("%1. %2").arg(index + 1).arg(RunKindText(run));
  const InversionOutcome& outcome = run.outcome;
  if (outcome.runStatus != RunStatus::kFailed && outcome.model.layerCount > 0) {
    text += QStringLiteral(", %1 layers, %2 %3 %")
                .arg(outcome.model.layerCount)
                .arg(outcome.settings.dataConstraint >= 1 ? QStringLiteral("mean error")
                                                          : QStringLiteral("RMS"))
                .arg(100.0 * outcome.finalMisfit, 0, 'f', 2);
  }
  return text + QStringLiteral(" (") + StopReasonText(outcome) + QLatin1Char(')');
}

SoundingList::SoundingList(SoundingWorkspace& workspace, QWidget* parent)
    : QListWidget(parent), workspace_(workspace) {
  setObjectName(QStringLiteral("soundingList"));
  connect(&workspace_, &SoundingWorkspace::soundingsChanged, this, &SoundingList::Refill);
  connect(&workspace_, &SoundingWorkspace::currentChanged, this, [this](int index) {
    filling_ = true;
    setCurrentRow(index);
    filling_ = false;
  });
  connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!filling_ && row != workspace_.current()) workspace_.SetCurrent(row);
  });
}

void SoundingList::Refill() {
  filling_ = true;
  clear();
  for (int i = 0; i < workspace_.count(); ++i) {
    auto* item = new QListWidgetItem(workspace_.Name(i), this);
    item->setToolTip(QString::fromStdString(workspace_.at(i).dataFile));
  }
  setCurrentRow(workspace_.current());
  filling_ = false;
}

RunList::RunList(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("runList"));
  setWordWrap(true);
  connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!filling_ && row >= 0) emit runChosen(row);
  });
  connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (!filling_) emit comparedChanged(row(item), item->checkState() == Qt::Checked);
  });
}

void RunList::ShowRuns(const ProjectSounding* sounding) {
  filling_ = true;
  clear();
  const SoundingDocument* document = sounding != nullptr ? sounding->document.get() : nullptr;
  if (document != nullptr) {
    for (size_t r = 0; r < document->runs.size(); ++r) {
      auto* item = new QListWidgetItem(RunSummary(document->runs[r], static_cast<int>(r)), this);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      const bool compared = std::count(sounding->comparedRuns.begin(),
                                       sounding->comparedRuns.end(),
                                       static_cast<int>(r)) > 0;
      item->setCheckState(compared ? Qt::Checked : Qt::Unchecked);
      item->setToolTip(item->text() +
                       QStringLiteral("\nTick to overlay this run on the plot; choose it to "
                                      "show it in the Model table."));
    }
    setCurrentRow(sounding->modelShown ? -1 : sounding->shownRun);
  }
  filling_ = false;
}

}  // namespace layra
