#include "tests/windows/scripted_dialogs.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QtTest>

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

}  // namespace layra::testing
