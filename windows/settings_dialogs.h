#ifndef LAYRA_WINDOWS_SETTINGS_DIALOGS_H_
#define LAYRA_WINDOWS_SETTINGS_DIALOGS_H_

// The modal dialogs that change the inversion settings. Each shows the current
// values, writes what was entered when OK is pressed (clamped to the field's
// limits, see state/settings_rules.h) and records how it was closed in the
// shared dialog-result field: 1 for OK, 2 for Cancel. Cancel, Escape and the
// window's close button leave the settings as they were at opening. Controls
// carry their ids as object names ("edit755", "static753", "radio1431",
// "button1" for OK, "button2" for Cancel).

#include <QDialog>

#include "state/records.h"

class QLineEdit;
class QRadioButton;

namespace layra {

// OK/Cancel frame shared by the settings dialogs.
class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  void accept() override;
  void reject() override;

 protected:
  SettingsDialog(const char* name, const QString& title, int& dialog_result, QWidget* parent);
  // Writes the entries into the settings (OK).
  virtual void Store() = 0;
  // Puts back what the dialog changed before Cancel (by default nothing).
  virtual void Restore() {}
  // Lays out `body` above the OK and Cancel buttons.
  void SetBody(QLayout* body);
  // An edit field named "edit<id>" showing `text`.
  QLineEdit* MakeEdit(int id, const QString& text);

 private:
  int& dialog_result_;
};

// Initial and minimum damping factor.
class DampDiaBox : public SettingsDialog {
  Q_OBJECT

 public:
  DampDiaBox(InversionSettings& settings, int& dialog_result, QWidget* parent = nullptr);

 protected:
  void Store() override;

 private:
  InversionSettings& settings_;
  QLineEdit* initial_edit_;
  QLineEdit* minimum_edit_;
};

// Number of iterations; the caller keeps it within 1..25.
class NitDiaBox : public SettingsDialog {
  Q_OBJECT

 public:
  NitDiaBox(InversionSettings& settings, int& dialog_result, QWidget* parent = nullptr);

 protected:
  void Store() override;

 private:
  InversionSettings& settings_;
  QLineEdit* edit_;
};

// Convergence limit, shown and entered as a percentage. The same dialog is
// opened from the settings menu (ClmDiaBox, edit 770) and by a running
// inversion whose fit has converged (RmsDiaBox, edit 771).
class ConvergenceLimitDialog : public SettingsDialog {
  Q_OBJECT

 public:
  enum class Kind { kClmDiaBox, kRmsDiaBox };
  ConvergenceLimitDialog(Kind kind,
                         InversionSettings& settings,
                         int& dialog_result,
                         QWidget* parent = nullptr);

 protected:
  void Store() override;

 private:
  InversionSettings& settings_;
  QLineEdit* edit_;
};

// Additional iterations once a run has reached its number of iterations; 0
// (also on Cancel) ends the run.
class IterDiaBox : public SettingsDialog {
  Q_OBJECT

 public:
  IterDiaBox(InversionSettings& settings, int& dialog_result, QWidget* parent = nullptr);

 protected:
  void Store() override;

 private:
  InversionSettings& settings_;
  QLineEdit* edit_;
};

// Standard or robust data and model constraints with their cut-off factors.
// The radio buttons change the constraint kinds at once; Cancel undoes that.
class DataConstrainDiaBox : public SettingsDialog {
  Q_OBJECT

 public:
  DataConstrainDiaBox(InversionSettings& settings, int& dialog_result, QWidget* parent = nullptr);

 protected:
  void Store() override;
  void Restore() override;

 private:
  InversionSettings& settings_;
  InversionSettings at_opening_;
  QLineEdit* data_cutoff_edit_;
  QLineEdit* model_cutoff_edit_;
};

// The engine of the next inversion (documented or accurate) and the data
// errors of the accurate engine: the floor below which no datum's error is
// taken and the error of data the file gives none for, both in percent.
// Entries are clamped to 0..100 (floor) and 0.01..100 (assumed error); text
// that is not a number keeps the value shown.
class EngineDiaBox : public SettingsDialog {
  Q_OBJECT

 public:
  EngineDiaBox(EngineOptions& options, int& dialog_result, QWidget* parent = nullptr);

 protected:
  void Store() override;

 private:
  EngineOptions& options_;
  QRadioButton* accurate_;
  QLineEdit* floor_edit_;
  QLineEdit* assumed_edit_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_SETTINGS_DIALOGS_H_
