#ifndef LAYRA_WINDOWS_CHILD_DIALOGS_H_
#define LAYRA_WINDOWS_CHILD_DIALOGS_H_

// The modal dialogs of the two child windows. Like the settings dialogs they
// record how they were closed in a dialog-result field (1 OK, 2 Cancel) and
// carry their control ids as object names ("radio1030", "edit860",
// "static859", "button1", "button2").

#include "state/records.h"
#include "windows/settings_dialogs.h"

namespace layra {

// DataOutDiaBox: the form a SIP response is saved in. Clicking a radio button
// changes `form` at once; OK keeps it, Cancel puts back the form that was
// current when the dialog opened.
class DataOutDiaBox : public SettingsDialog {
  Q_OBJECT

 public:
  DataOutDiaBox(SipForm& form, int& dialog_result, QWidget* parent = nullptr);

 protected:
  void Store() override {}
  void Restore() override;

 private:
  SipForm& form_;
  SipForm at_opening_;
};

// ArrayTypeDiaBox: Wenner (code 1) or Schlumberger (any other code, 7 when
// chosen here). Clicking a radio button changes `array_type` at once; Cancel
// puts back the code that was current when the dialog opened.
class ArrayTypeDiaBox : public SettingsDialog {
  Q_OBJECT

 public:
  ArrayTypeDiaBox(ArrayType& array_type, int& dialog_result, QWidget* parent = nullptr);

 protected:
  void Store() override {}
  void Restore() override;

 private:
  ArrayType& array_type_;
  ArrayType at_opening_;
};

// ChooseIterBox: which iteration of a results file to show. Shows
// `current`; OK stores the entered number (read as an unsigned integer,
// anything else reads as 0) clamped to 0..`iteration_count`; Cancel keeps
// the iteration that was current at opening.
class ChooseIterBox : public SettingsDialog {
  Q_OBJECT

 public:
  ChooseIterBox(int& current, int iteration_count, int& dialog_result, QWidget* parent = nullptr);

 protected:
  void Store() override;
  void Restore() override;

 private:
  int& current_;
  int at_opening_;
  int iteration_count_;
  QLineEdit* edit_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_CHILD_DIALOGS_H_
