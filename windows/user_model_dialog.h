#ifndef LAYRA_WINDOWS_USER_MODEL_DIALOG_H_
#define LAYRA_WINDOWS_USER_MODEL_DIALOG_H_

// UserModelDiaBox: takes the user's starting model (2 to 9 layers) after an
// automatic run, whose result is drawn in the picture area on the right.
// Enter and Escape do not close it: they move the focus to the next or the
// previous of the fourteen edits 1001..1014 (layer count and the fields of up
// to seven layers), wrapping around; a click into one of them makes it the
// current one. OK (1021) reads the fields into the user model (see
// state/user_model_rules.h) and records 1; Cancel (1022) and the window's
// close button keep the layer count of the opening and record 2. The values
// are not checked here; the main window checks them.

#include <QDialog>
#include <array>
#include <functional>

#include "platform/canvas.h"
#include "state/records.h"
#include "state/user_model_rules.h"

class QLineEdit;

namespace layra {

class QtCanvas;

class UserModelDiaBox : public QDialog {
  Q_OBJECT

 public:
  // `draw_picture` draws into the picture area (may be empty).
  UserModelDiaBox(LayeredModel& user_model,
                  int& dialog_result,
                  const std::function<void(Canvas&)>& draw_picture,
                  QWidget* parent = nullptr);

  void accept() override;
  void reject() override;

  // The picture area (control 1020).
  QtCanvas& picture() { return *picture_; }

  static constexpr int kFirstEditId = 1001;
  // Enter and Escape cycle through edits 1001..1014.
  static constexpr int kCycledEdits = 14;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MoveFocus(int step);

  LayeredModel& user_model_;
  int& dialog_result_;
  int remembered_count_;
  std::array<QLineEdit*, kUserModelFieldCount> edits_{};
  int current_ = 0;  // index of the current edit among the cycled ones
  QtCanvas* picture_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_USER_MODEL_DIALOG_H_
