#include "tests/windows/scripted_dialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QtTest>

#include "windows/qt_canvas.h"

namespace layra::testing {

int ScriptedDialogs::Run(QDialog& dialog) {
  titles << dialog.windowTitle();
  if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
    messages << ShownMessage{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    QMessageBox::StandardButton answer;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    } else {
      answer = (box->standardButtons() & QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
    }
    QAbstractButton* button = box->button(answer);
    if (button == nullptr) {
      ++unexpected;
      box->done(QMessageBox::Cancel);
    } else {
      button->click();
    }
    return box->result();
  }
  names << dialog.objectName();
  if (actions_.empty()) {
    ++unexpected;
    dialog.reject();
    return dialog.result();
  }
  Action action = std::move(actions_.front());
  actions_.pop_front();
  action(dialog);
  return dialog.result();
}

void ScriptedDialogs::ThenChoose(const QString& path) {
  Then([path](QDialog& dialog) { ChooseFile(dialog, path); });
}

void ScriptedDialogs::ThenReject() {
  Then([](QDialog& dialog) { dialog.reject(); });
}

void ScriptedDialogs::ThenFill(const QList<QPair<QString, QString>>& edits, const QString& button) {
  Then([edits, button](QDialog& dialog) {
    for (const auto& [name, text] : edits) SetEdit(dialog, name, text);
    Click(dialog, button);
  });
}

void SetEdit(QDialog& dialog, const QString& name, const QString& text) {
  auto* edit = dialog.findChild<QLineEdit*>(name);
  QVERIFY2(edit != nullptr, qPrintable(name));
  edit->setText(text);
}

QString EditText(QDialog& dialog, const QString& name) {
  auto* edit = dialog.findChild<QLineEdit*>(name);
  return edit != nullptr ? edit->text() : QStringLiteral("<no %1>").arg(name);
}

void Click(QDialog& dialog, const QString& name) {
  auto* button = dialog.findChild<QAbstractButton*>(name);
  QVERIFY2(button != nullptr, qPrintable(name));
  button->click();
}

void ChooseFile(QDialog& dialog, const QString& path) {
  auto* chooser = qobject_cast<QFileDialog*>(&dialog);
  QVERIFY2(chooser != nullptr, "not a file dialog");
  chooser->selectFile(path);
  static_cast<QDialog*>(chooser)->accept();  // QFileDialog::accept, reached virtually
}

QList<QPair<QString, QString>> NumberedEdits(int first, const QStringList& values) {
  QList<QPair<QString, QString>> edits;
  for (int i = 0; i < values.size(); ++i) {
    edits.append({QStringLiteral("edit%1").arg(first + i), values[i]});
  }
  return edits;
}

bool ShowExposed(QWidget& widget, int width, int height) {
  widget.resize(width, height);
  widget.show();
  return QTest::qWaitForWindowExposed(&widget);
}

int NonWhite(const QtCanvas& canvas, int left, int top, int right, int bottom) {
  if (right < 0) right = canvas.Width();
  if (bottom < 0) bottom = canvas.Height();
  int count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      count += canvas.GetPixel(x, y) != kWhite ? 1 : 0;
    }
  }
  return count;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void ExpectActions(const QObject& window, const QList<QPair<QString, QString>>& expected) {
  for (const auto& [name, text] : expected) {
    auto* action = window.findChild<QAction*>(name);
    QVERIFY2(action != nullptr, qPrintable(name));
    QCOMPARE(action->text(), text);
  }
}

void ExpectMessage(const ShownMessage& message,
                   const QString& text,
                   const QString& caption,
                   QMessageBox::Icon icon) {
  QCOMPARE(message.text, text);
  QCOMPARE(message.caption, caption);
  QCOMPARE(message.icon, icon);
}

bool AnyMessageContains(const ScriptedDialogs& dialogs, const QString& text) {
  for (const auto& message : dialogs.messages) {
    if (message.text.contains(text)) return true;
  }
  return false;
}

QString StartDirectory(QDialog& dialog) {
  return QDir(static_cast<QFileDialog&>(dialog).directory()).absolutePath() + QLatin1Char('/');
}

QString Offered(QDialog& dialog) {
  return static_cast<QFileDialog&>(dialog).selectedFiles().value(0);
}

}  // namespace layra::testing
