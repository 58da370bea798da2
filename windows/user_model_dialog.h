#ifndef LAYRA_WINDOWS_USER_MODEL_DIALOG_H_
#define LAYRA_WINDOWS_USER_MODEL_DIALOG_H_

// UserModelDiaBox: takes the user's starting model (2 to 9 layers) after an
// automatic run, whose result is drawn in the picture area on the right.
// Enter and Escape do not close it: they move the focus to the next or the
// previous of the edits 1001..1018 (layer count and the fields of up to nine
// layers), wrapping around; a click into one of them makes it the current
// one. Beside each value a Fix box (fixRho1.., fixH1..) holds that value in
// an inversion by the accurate engine. OK (1021) reads the fields into the
// user model (see state/user_model_rules.h) and records 1, unless the layer
// count is not a whole number from 2 to 9: then the dialog says so (label
// "message") and stays open. Cancel (1022) and the window's close button keep
// the layer count of the opening and record 2. The values themselves are not
// checked here; the main window checks them.

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "state/records.h"
#include "state/user_model_rules.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace layra {

class QtCanvas;

class UserModelDiaBox : public QDialog {
  Q_OBJECT

 public:
  // `draw_picture` draws into the picture area (may be empty). `fixed`, when
  // given, holds the names of the fixed values (rho1..rho9, h1..h8): it ticks
  // their boxes and receives the ticked ones of the layers in use on OK.
  UserModelDiaBox(LayeredModel& user_model,
                  int& dialog_result,
                  const std::function<void(Canvas&)>& draw_picture,
                  QWidget* parent = nullptr,
                  std::vector<std::string>* fixed = nullptr);

  void accept() override;
  void reject() override;

  // The picture area (control 1020).
  QtCanvas& picture() { return *picture_; }

  static constexpr int kFirstEditId = 1001;
  // Enter (and Down) and Up cycle through every edit, 1001..1018.
  static constexpr int kCycledEdits = kUserModelFieldCount;
  // Asked when Esc would discard entries that were changed; true to
  // discard. Without one, a question box asks.
  void setDiscardQuestion(std::function<bool()> ask) { discard_question_ = std::move(ask); }
  // Draws the picture again while values are typed: called with the model
  // the fields give each time an edit makes them one the program takes
  // (2 to 9 layers, every value in range). The picture of the opening stays
  // until then, and while the fields give no such model.
  void setPreview(std::function<void(Canvas&, const LayeredModel&)> preview) {
    preview_ = std::move(preview);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MoveFocus(int step);
  void Preview();
  // The fields as they stand, to tell whether anything was entered.
  QStringList Entries() const;

  LayeredModel& user_model_;
  int& dialog_result_;
  int remembered_count_;
  std::array<QLineEdit*, kUserModelFieldCount> edits_{};
  // Fix boxes beside edits 1002..1018 (entry 0, the layer count, has none).
  std::array<QCheckBox*, kUserModelFieldCount> fix_boxes_{};
  std::vector<std::string>* fixed_;
  QLabel* message_;
  int current_ = 0;  // index of the current edit among the cycled ones
  QtCanvas* picture_;
  QStringList offered_;  // the fields as the dialog opened
  std::function<bool()> discard_question_;
  std::function<void(Canvas&, const LayeredModel&)> preview_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_USER_MODEL_DIALOG_H_
