#ifndef LAYRA_TESTS_WINDOWS_SCRIPTED_DIALOGS_H_
#define LAYRA_TESTS_WINDOWS_SCRIPTED_DIALOGS_H_

// A DialogRunner for tests: never blocks. Message boxes are recorded and
// answered from a queue (OK, or No for a Yes/No box, when the queue is
// empty); every other dialog is handed to the next scripted action, which
// fills it in and closes it, or is cancelled and counted as unexpected when
// no action is left.

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "windows/dialog_runner.h"

class QDialog;

namespace layra::testing {

struct ShownMessage {
  QString caption;
  QString text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
};

class ScriptedDialogs : public DialogRunner {
 public:
  using Action = std::function<void(QDialog&)>;

  int Run(QDialog& dialog) override;

  void Then(Action action) { actions_.push_back(std::move(action)); }
  void AnswerNextMessage(QMessageBox::StandardButton button) { answers_.push_back(button); }
  int pendingActions() const { return static_cast<int>(actions_.size()); }

  // Titles of every dialog run, message boxes included, in order.
  QStringList titles;
  // Object names of the dialogs other than message boxes, in order.
  QStringList names;
  QList<ShownMessage> messages;
  int unexpected = 0;

 private:
  std::deque<Action> actions_;
  std::deque<QMessageBox::StandardButton> answers_;
};

// Helpers for scripted actions.
void SetEdit(QDialog& dialog, const QString& name, const QString& text);
QString EditText(QDialog& dialog, const QString& name);
void Click(QDialog& dialog, const QString& name);
// Chooses `path` in a file dialog and accepts it.
void ChooseFile(QDialog& dialog, const QString& path);

}  // namespace layra::testing

#endif  // LAYRA_TESTS_WINDOWS_SCRIPTED_DIALOGS_H_
