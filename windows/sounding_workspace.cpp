#include "windows/sounding_workspace.h"

#include <QFileInfo>
#include <utility>

#include "fileio/same_file.h"

namespace layra {

SoundingWorkspace::SoundingWorkspace(QObject* parent) : QObject(parent), undo_group_(this) {}

SoundingWorkspace::Entry SoundingWorkspace::MakeEntry(const QString& listing) {
  Entry entry{std::make_unique<QUndoStack>(), listing};
  undo_group_.addStack(entry.undo.get());
  connect(entry.undo.get(), &QUndoStack::indexChanged, this, [this] { MarkModified(); });
  return entry;
}

int SoundingWorkspace::IndexOf(const SoundingDocument* document) const {
  for (int i = 0; i < count(); ++i) {
    if (document != nullptr && at(i).document.get() == document) return i;
  }
  return -1;
}

int SoundingWorkspace::IndexOfFile(const std::string& data_file) const {
  for (int i = 0; i < count(); ++i) {
    if (at(i).dataFile == data_file || (QFileInfo::exists(QString::fromStdString(at(i).dataFile)) &&
                                        IsSameFile(at(i).dataFile, data_file))) {
      return i;
    }
  }
  return -1;
}

QString SoundingWorkspace::Name(int index) const {
  const ProjectSounding& sounding = at(index);
  QString name = QFileInfo(QString::fromStdString(sounding.dataFile)).fileName();
  if (sounding.document == nullptr) name += QStringLiteral(" (missing)");
  return name;
}

int SoundingWorkspace::Add(ProjectSounding sounding, const QString& listing) {
  const int same = IndexOfFile(sounding.dataFile);
  if (same >= 0) {
    undo_group_.removeStack(entries_[static_cast<size_t>(same)].undo.get());
    at(same) = std::move(sounding);
    entries_[static_cast<size_t>(same)] = MakeEntry(listing);
    MarkModified();
    emit soundingsChanged();
    return same;
  }
  project_.soundings.push_back(std::move(sounding));
  entries_.push_back(MakeEntry(listing));
  MarkModified();
  emit soundingsChanged();
  return count() - 1;
}

void SoundingWorkspace::Remove(int index) {
  if (index < 0 || index >= count()) return;
  undo_group_.removeStack(entries_[static_cast<size_t>(index)].undo.get());
  const bool shown = project_.current == index;
  if (shown) SetCurrent(-1);
  project_.soundings.erase(project_.soundings.begin() + index);
  entries_.erase(entries_.begin() + index);
  if (project_.current > index) --project_.current;
  MarkModified();
  emit soundingsChanged();
}

void SoundingWorkspace::SetCurrent(int index) {
  if (index < -1 || index >= count()) index = -1;
  project_.current = index;
  undo_group_.setActiveStack(index >= 0 ? entries_[static_cast<size_t>(index)].undo.get()
                                        : nullptr);
  emit currentChanged(index);
}

void SoundingWorkspace::Replace(Project project) {
  undo_group_.setActiveStack(nullptr);
  for (Entry& entry : entries_) undo_group_.removeStack(entry.undo.get());
  entries_.clear();
  const int current = project.current;
  project_ = std::move(project);
  project_.current = -1;
  for (int i = 0; i < count(); ++i) entries_.push_back(MakeEntry(QString()));
  modified_ = false;
  emit soundingsChanged();
  SetCurrent(current);
}

void SoundingWorkspace::MarkModified() {
  modified_ = true;
  emit modifiedChanged();
}

}  // namespace layra
