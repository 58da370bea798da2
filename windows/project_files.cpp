#include "windows/project_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <string>
#include <utility>

#include "project/project_file.h"
#include "windows/qt_host.h"
#include "windows/sounding_workspace.h"

namespace layra {
namespace {

const char kRecentKey[] = "projects/recent";
const char kRecoveryOfKey[] = "projects/recoveryOf";
const char kRecoveryName[] = "recovery.layra";
constexpr int kAutosaveDelayMs = 3000;

// Reader messages of the soundings of a project go to their listings' end.
class CollectedMessages : public ListingSink {
 public:
  void Line(const std::string&) override {}
  void Message(const std::string& text, const std::string& caption, MessageIcon) override {
    messages += caption + ": " + text + "\n";
  }
  std::string messages;
};

}  // namespace

ProjectFiles::ProjectFiles(SoundingWorkspace& workspace, QtHost& host, QObject* parent)
    : QObject(parent), workspace_(workspace), host_(host) {
  autosave_timer_.setSingleShot(true);
  autosave_timer_.setInterval(kAutosaveDelayMs);
  connect(&autosave_timer_, &QTimer::timeout, this, [this] { Autosave(); });
  connect(&workspace_, &SoundingWorkspace::modifiedChanged, this, [this] {
    if (!recovery_folder_.isEmpty() && workspace_.modified()) autosave_timer_.start();
  });
}

bool ProjectFiles::Open(const QString& path) {
  if (!Load(path)) return false;
  path_ = QFileInfo(path).absoluteFilePath();
  Remember(path_);
  emit pathChanged(path_);
  return true;
}

bool ProjectFiles::Load(const QString& path) {
  Project project;
  CollectedMessages messages;
  std::string error;
  if (!OpenProject(path.toStdString(), &project, messages, &error)) {
    host_.Warn(error, "Error Message");
    return false;
  }
  std::string missing;
  for (const ProjectSounding& sounding : project.soundings) {
    if (!sounding.problem.empty()) missing += sounding.problem + "\n";
  }
  std::vector<QString> listings;
  for (const ProjectSounding& sounding : project.soundings) {
    QStringList lines;
    for (const std::string& line : sounding.listing) lines << QString::fromLocal8Bit(line.c_str());
    if (!sounding.problem.empty()) lines << QString::fromStdString(sounding.problem);
    listings.push_back(lines.join(QLatin1Char('\n')));
  }
  workspace_.Replace(std::move(project));
  for (int i = 0; i < workspace_.count() && i < static_cast<int>(listings.size()); ++i) {
    workspace_.listing(i) = listings[static_cast<size_t>(i)];
  }
  if (workspace_.current() >= 0) workspace_.SetCurrent(workspace_.current());
  if (!missing.empty() || !messages.messages.empty()) {
    host_.Warn(missing +
                   (missing.empty() ? std::string()
                                    : "Those soundings are kept in the project as they were; "
                                      "everything else was opened.\n") +
                   messages.messages,
               "Message");
  }
  return true;
}

bool ProjectFiles::OpenChosen() {
  std::string path = "*.layra";
  if (!host_.ChooseOpenFile(path, "Open Project")) return false;
  return Open(QString::fromStdString(path));
}

bool ProjectFiles::SaveTo(const QString& path) {
  std::string error;
  if (!SaveProject(workspace_.project(), path.toStdString(), &error)) {
    host_.Warn("The project could not be saved:\n" + error, "Error Message");
    return false;
  }
  path_ = QFileInfo(path).absoluteFilePath();
  workspace_.MarkSaved();
  autosave_timer_.stop();
  DiscardAutosave();
  Remember(path_);
  emit pathChanged(path_);
  return true;
}

bool ProjectFiles::Save() { return path_.isEmpty() ? SaveAs() : SaveTo(path_); }

bool ProjectFiles::SaveAs() {
  std::string path = path_.isEmpty() ? std::string("*.layra") : path_.toStdString();
  if (!host_.ChooseSaveFile(path, "Save Project")) return false;
  QString chosen = QString::fromStdString(path);
  if (QFileInfo(chosen).suffix().isEmpty()) chosen += QStringLiteral(".layra");
  return SaveTo(chosen);
}

QStringList ProjectFiles::recent() const {
  return QSettings().value(QLatin1String(kRecentKey)).toStringList();
}

void ProjectFiles::Remember(const QString& path) {
  QStringList list = recent();
  list.removeAll(path);
  list.prepend(path);
  while (list.size() > kRecentProjects) list.removeLast();
  QSettings().setValue(QLatin1String(kRecentKey), list);
}

void ProjectFiles::FillRecentMenu(QMenu* menu) {
  menu->clear();
  const QStringList list = recent();
  for (int i = 0; i < list.size(); ++i) {
    const QString path = list[i];
    QAction* action =
        menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(path)));
    action->setObjectName(QStringLiteral("recentProject%1").arg(i + 1));
    connect(action, &QAction::triggered, this, [this, path] { Open(path); });
  }
  if (list.isEmpty()) menu->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

void ProjectFiles::EnableRecovery(const QString& folder) {
  recovery_folder_ = folder;
  QDir().mkpath(folder);
}

QString ProjectFiles::recoveryFile() const {
  return recovery_folder_.isEmpty() ? QString()
                                    : QDir(recovery_folder_).filePath(QLatin1String(kRecoveryName));
}

bool ProjectFiles::Autosave() {
  if (recovery_folder_.isEmpty()) return false;
  std::string error;
  if (!SaveProject(workspace_.project(), recoveryFile().toStdString(), &error)) return false;
  QSettings().setValue(QLatin1String(kRecoveryOfKey), path_);
  return true;
}

void ProjectFiles::DiscardAutosave() {
  if (!recovery_folder_.isEmpty()) QFile::remove(recoveryFile());
}

bool ProjectFiles::OfferRecovery() {
  const QString file = recoveryFile();
  if (file.isEmpty() || !QFileInfo::exists(file)) return false;
  const QString of = QSettings().value(QLatin1String(kRecoveryOfKey)).toString();
  const std::string question =
      "LAYRA did not end normally last time. Its unsaved work" +
      (of.isEmpty() ? std::string() : " on the project\n" + of.toStdString() + "\n") +
      " was kept.\nDo you want to recover it?";
  const bool recover =
      host_.ShowMessage(
          question, "Recover unsaved work", MessageIcon::kQuestion, MessageButtons::kYesNo) ==
      MessageAnswer::kYes;
  bool opened = false;
  if (recover && Load(file)) {
    opened = true;
    // Saved again to where it belongs (or, without a project, asked for).
    path_ = of;
    emit pathChanged(path_);
    workspace_.MarkModified();
  }
  QFile::remove(file);
  return opened;
}

}  // namespace layra
