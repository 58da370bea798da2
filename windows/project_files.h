#ifndef LAYRA_WINDOWS_PROJECT_FILES_H_
#define LAYRA_WINDOWS_PROJECT_FILES_H_

// The main window's project files: File > Open project, Save project, Save
// project as, the recent projects (File > Recent projects, kept across
// sessions), and the recovery of unsaved work: a few seconds after every
// change the whole workspace is written to an autosave in the user's state
// folder, removed when the workspace is saved or the window closes
// normally; one left behind by a crash is offered at the next start.
// Every file is written whole or not at all.

#include <QMenu>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace layra {

class QtHost;
class SoundingWorkspace;

class ProjectFiles : public QObject {
  Q_OBJECT

 public:
  ProjectFiles(SoundingWorkspace& workspace, QtHost& host, QObject* parent = nullptr);

  // The project file of the workspace, "" before one is opened or saved.
  const QString& path() const { return path_; }
  // Opens the project `path` in place of the soundings open; a sounding
  // whose data file is missing is named in one message and kept. False
  // (and a message) when the file is not a project.
  bool Open(const QString& path);
  // The chooser, then Open.
  bool OpenChosen();
  // Saves to the project file, asking for one the first time.
  bool Save();
  bool SaveAs();
  // Writes the project to `path` (no chooser); false with a message.
  bool SaveTo(const QString& path);

  // Most recent first, at most kRecentProjects.
  QStringList recent() const;
  static constexpr int kRecentProjects = 8;
  // The menu of recent projects, filled each time it opens.
  void FillRecentMenu(QMenu* menu);

  // Autosaves to `folder` from now on.
  void EnableRecovery(const QString& folder);
  QString recoveryFile() const;
  // When an autosave of an earlier session is there: asks whether to
  // recover it and opens it if so. The autosave is removed either way.
  bool OfferRecovery();
  // Writes the autosave now (the timer's work).
  bool Autosave();
  // The session ends normally: the autosave goes.
  void DiscardAutosave();

 signals:
  void pathChanged(const QString& path);

 private:
  void Remember(const QString& path);
  // Open without making `path` the project's file.
  bool Load(const QString& path);

  SoundingWorkspace& workspace_;
  QtHost& host_;
  QString path_;
  QString recovery_folder_;
  QTimer autosave_timer_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_PROJECT_FILES_H_
