#ifndef LAYRA_TESTS_WINDOWS_SCRIPTED_DIALOGS_H_
#define LAYRA_TESTS_WINDOWS_SCRIPTED_DIALOGS_H_

// A DialogRunner for tests: never blocks. Message boxes are recorded and
// answered from a queue (OK, or No for a Yes/No box, when the queue is
// empty); every other dialog is handed to the next scripted action, which
// fills it in and closes it, or is cancelled and counted as unexpected when
// no action is left.

#include <QByteArray>
#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "windows/dialog_runner.h"

class QDialog;
class QObject;
class QWidget;

namespace layra {
class QtCanvas;
}

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
  // Chooses `path` in the next file dialog.
  void ThenChoose(const QString& path);
  void ThenReject();
  // Fills the named edits of the next dialog, then clicks `button`.
  void ThenFill(const QList<QPair<QString, QString>>& edits, const QString& button);
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
// Edits numbered from `first` on, given `values` in order.
QList<QPair<QString, QString>> NumberedEdits(int first, const QStringList& values);

// Shows `widget` at the given size; false if it was never exposed.
bool ShowExposed(QWidget& widget, int width, int height);
// Pixels other than white in the rectangle (all of the canvas by default).
int NonWhite(const QtCanvas& canvas, int left = 0, int top = 0, int right = -1, int bottom = -1);
bool WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray FileBytes(const QString& path);

// Checks that `window` has an action of each name with the given text.
void ExpectActions(const QObject& window, const QList<QPair<QString, QString>>& expected);
// Checks a message's text, caption and icon.
void ExpectMessage(const ShownMessage& message,
                   const QString& text,
                   const QString& caption,
                   QMessageBox::Icon icon);
// True if any message shown contains `text`.
bool AnyMessageContains(const ScriptedDialogs& dialogs, const QString& text);
// The directory a file dialog starts in, with a trailing '/'.
QString StartDirectory(QDialog& dialog);
// The first file a file dialog offers, empty if none.
QString Offered(QDialog& dialog);

}  // namespace layra::testing

#endif  // LAYRA_TESTS_WINDOWS_SCRIPTED_DIALOGS_H_
