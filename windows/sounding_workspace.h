#ifndef LAYRA_WINDOWS_SOUNDING_WORKSPACE_H_
#define LAYRA_WINDOWS_SOUNDING_WORKSPACE_H_

// The soundings open in the main window: a project (project/project_file.h)
// of one document each, with what the window keeps of each beside it, its
// listing and its undo history (QUndoStack, one per sounding, in one group
// whose active stack is the sounding shown). Nothing is shared between the
// soundings.

#include <QObject>
#include <QString>
#include <QUndoGroup>
#include <QUndoStack>
#include <memory>
#include <vector>

#include "project/project_file.h"

namespace layra {

class SoundingWorkspace : public QObject {
  Q_OBJECT

 public:
  explicit SoundingWorkspace(QObject* parent = nullptr);

  int count() const { return static_cast<int>(project_.soundings.size()); }
  ProjectSounding& at(int index) { return project_.soundings[static_cast<size_t>(index)]; }
  const ProjectSounding& at(int index) const {
    return project_.soundings[static_cast<size_t>(index)];
  }
  QUndoStack& undoStack(int index) { return *entries_[static_cast<size_t>(index)].undo; }
  QString& listing(int index) { return entries_[static_cast<size_t>(index)].listing; }
  QUndoGroup& undoGroup() { return undo_group_; }
  // The sounding shown, -1 none.
  int current() const { return project_.current; }
  // The index of the sounding of `document`, -1 when it is not open.
  int IndexOf(const SoundingDocument* document) const;
  // The index of the sounding read from `data_file`, -1 none.
  int IndexOfFile(const std::string& data_file) const;
  // The name the list shows: the data file's name, and why it is missing.
  QString Name(int index) const;

  // Adds `sounding` after the others, or in place of the one read from the
  // same data file (its runs and history go with it); its index.
  int Add(ProjectSounding sounding, const QString& listing = QString());
  void Remove(int index);
  // Shows sounding `index` (-1 none).
  void SetCurrent(int index);
  // The workspace as a project, to be saved.
  const Project& project() const { return project_; }
  // Replaces every sounding with those of `project`.
  void Replace(Project project);

  // Whether something changed since the last MarkSaved().
  bool modified() const { return modified_; }
  void MarkModified();
  void MarkSaved() { modified_ = false; }

 signals:
  // Soundings were added or removed: references to them are stale.
  void soundingsChanged();
  void currentChanged(int index);
  // Some sounding changed (an edit, a run, a leave-out): autosave.
  void modifiedChanged();

 private:
  struct Entry {
    std::unique_ptr<QUndoStack> undo;
    QString listing;
  };
  Entry MakeEntry(const QString& listing);

  Project project_;
  std::vector<Entry> entries_;
  QUndoGroup undo_group_;
  bool modified_ = false;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_SOUNDING_WORKSPACE_H_
