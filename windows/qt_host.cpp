#include "windows/qt_host.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <iostream>

#include "windows/settings_dialogs.h"

namespace layra {
namespace {

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

QMessageBox::Icon ToQIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

// Messages that list values in columns (blank-padded numbers) are set in a
// fixed-pitch font so that the columns line up.
bool HasColumns(const std::string& text) { return text.find("   ") != std::string::npos; }

bool IsPattern(const QString& name) {
  return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

}  // namespace

QtHost::QtHost(QWidget* owner, DialogRunner& runner, ShellState& shell)
    : owner_(owner), runner_(runner), shell_(shell) {}

MessageAnswer QtHost::ShowMessage(const std::string& text,
                                  const std::string& caption,
                                  MessageIcon icon,
                                  MessageButtons buttons) {
  QMessageBox box(
      ToQIcon(icon),
      ToQString(caption),
      ToQString(text),
      buttons == MessageButtons::kYesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
      owner_);
  box.setTextFormat(Qt::PlainText);
  if (HasColumns(text)) {
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }
  }
  if (buttons == MessageButtons::kYesNo) {
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  }
  int result = runner_.Run(box);
  if (buttons == MessageButtons::kOk) {
    return MessageAnswer::kOk;
  }
  return result == QMessageBox::Yes ? MessageAnswer::kYes : MessageAnswer::kNo;
}

void QtHost::Beep() { QApplication::beep(); }

bool QtHost::ChooseOpenFile(std::string& path, const std::string& title) {
  return ChooseFile(path, title, false);
}

bool QtHost::ChooseSaveFile(std::string& path, const std::string& title) {
  return ChooseFile(path, title, true);
}

bool QtHost::ChooseFile(std::string& path, const std::string& title, bool save) {
  file_dialog_.owner = owner_;
  file_dialog_.fileName = path;
  file_dialog_.fileTitle = title;
  file_dialog_.title = title;
  file_dialog_.initialDirectory = shell_.dataDirectory;
  file_dialog_.flags = save ? FileDialogSpec::kOverwritePrompt : FileDialogSpec::kCreatePrompt;

  QFileInfo offered(ToQString(path));
  QString start_directory = ToQString(file_dialog_.initialDirectory);
  if (!path.empty() && (offered.isAbsolute() || path.find('/') != std::string::npos)) {
    start_directory = offered.absolutePath();
  }
  if (start_directory.isEmpty()) {
    start_directory = QDir::currentPath();
  }

  QFileDialog dialog(owner_, ToQString(title), start_directory);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Both confirmations are asked here, through the program's own message box.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  QStringList filters;
  QString offered_name = offered.fileName();
  if (IsPattern(offered_name)) {
    filters << QStringLiteral("%1 (%1)").arg(offered_name);
  } else if (!offered_name.isEmpty()) {
    dialog.selectFile(offered_name);
  }
  filters << QStringLiteral("%1 (%2)").arg(ToQString(file_dialog_.filterText),
                                           ToQString(file_dialog_.filterPattern));
  dialog.setNameFilters(filters);

  while (runner_.Run(dialog) == QDialog::Accepted) {
    QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) {
      return false;
    }
    QFileInfo file(chosen.first());
    if (file.isDir()) {
      continue;
    }
    QString name = QDir::toNativeSeparators(file.absoluteFilePath());
    if (save && file.exists()) {
      MessageAnswer answer = ShowMessage(
          (name + QStringLiteral(" already exists.\nDo you want to replace it?")).toStdString(),
          title,
          MessageIcon::kExclamation,
          MessageButtons::kYesNo);
      if (answer != MessageAnswer::kYes) {
        continue;
      }
    } else if (!save && !file.exists()) {
      // A file to read must exist: creating an empty one would only be
      // refused by the reader and cost the data read before.
      ShowMessage((name + QStringLiteral("\nThis file does not exist.\n"
                                         "Please check the name and choose an existing file."))
                      .toStdString(),
                  title,
                  MessageIcon::kExclamation,
                  MessageButtons::kOk);
      continue;
    }
    path = name.toStdString();
    file_dialog_.fileName = path;
    file_dialog_.fileTitle = file.fileName().toStdString();
    return true;
  }
  return false;
}

int QtHost::AskConvergenceLimit(InversionSettings& settings) {
  ConvergenceLimitDialog dialog(
      ConvergenceLimitDialog::Kind::kRmsDiaBox, settings, shell_.dialogResult, owner_);
  shell_.dialogResult = 2;
  runner_.Run(dialog);
  return shell_.dialogResult;
}

int QtHost::AskAdditionalIterations(InversionSettings& settings) {
  IterDiaBox dialog(settings, shell_.dialogResult, owner_);
  shell_.dialogResult = 2;
  runner_.Run(dialog);
  return shell_.dialogResult;
}

void QtHost::ConsoleLine(const std::string& text) {
  std::cerr << text;
  if (text.empty() || text.back() != '\n') {
    std::cerr << '\n';
  }
  std::cerr.flush();
}

}  // namespace layra
