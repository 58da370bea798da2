#include "windows/user_model_dialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "windows/qt_canvas.h"

namespace layra {
namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;
constexpr int kLayerRows = 9;

// Name of the value in field `field` (1-based after the layer count): the
// resistivities and thicknesses alternate from layer 1 down.
std::string FixedName(int field) {
  const int layer = (field + 1) / 2;
  return (field % 2 == 1 ? "rho" : "h") + std::to_string(layer);
}

QLabel* HeaderLabel(const QString& text) {
  auto* label = new QLabel(text);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

}  // namespace

UserModelDiaBox::UserModelDiaBox(LayeredModel& user_model,
                                 int& dialog_result,
                                 const std::function<void(Canvas&)>& draw_picture,
                                 QWidget* parent,
                                 std::vector<std::string>* fixed)
    : QDialog(parent),
      user_model_(user_model),
      dialog_result_(dialog_result),
      remembered_count_(user_model.layerCount),
      fixed_(fixed) {
  setObjectName(QStringLiteral("UserModelDiaBox"));
  setWindowTitle(QStringLiteral("Enter user model"));
  setModal(true);
  dialog_result_ = 2;  // closed without a choice counts as Cancel

  UserModelFields texts = UserModelFieldTexts(user_model);
  for (int i = 0; i < kUserModelFieldCount; ++i) {
    auto* edit = new QLineEdit(QString::fromStdString(texts[static_cast<std::size_t>(i)]), this);
    edit->setObjectName(QStringLiteral("edit%1").arg(kFirstEditId + i));
    edit->setMinimumWidth(110);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, &UserModelDiaBox::Preview);
    edits_[static_cast<std::size_t>(i)] = edit;
    if (i > 0) {
      const std::string name = FixedName(i);
      auto* box = new QCheckBox(QStringLiteral("Fix"), this);
      const QString object = QString::fromStdString(name);
      box->setObjectName(QStringLiteral("fix") + object.left(1).toUpper() + object.mid(1));
      box->setToolTip(QStringLiteral("Hold this value in an inversion by the accurate engine"));
      box->setFocusPolicy(Qt::NoFocus);
      if (fixed_ != nullptr) {
        for (const std::string& held : *fixed_) box->setChecked(box->isChecked() || held == name);
      }
      fix_boxes_[static_cast<std::size_t>(i)] = box;
    }
  }

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Number of layers (2 to 9) :")), 0, 0, 1, 2);
  grid->addWidget(edits_[0], 0, 2);
  grid->addWidget(HeaderLabel(QStringLiteral("Layer")), 1, 0);
  grid->addWidget(HeaderLabel(QStringLiteral("Resistivity (ohm-m)")), 1, 1);
  grid->addWidget(HeaderLabel(QStringLiteral("Thickness (m)")), 1, 2);
  for (int layer = 1; layer <= kLayerRows; ++layer) {
    int row = layer + 1;
    grid->addWidget(new QLabel(QString::number(layer)), row, 0, Qt::AlignCenter);
    const auto rho = static_cast<std::size_t>(1 + 2 * (layer - 1));
    auto* rho_cell = new QHBoxLayout;
    rho_cell->addWidget(edits_[rho]);
    rho_cell->addWidget(fix_boxes_[rho]);
    grid->addLayout(rho_cell, row, 1);
    if (layer < kLayerRows) {
      auto* h_cell = new QHBoxLayout;
      h_cell->addWidget(edits_[rho + 1]);
      h_cell->addWidget(fix_boxes_[rho + 1]);
      grid->addLayout(h_cell, row, 2);
    }
  }
  auto* hint =
      new QLabel(QStringLiteral("Enter the layers from the top down; the last layer\n"
                                "has no thickness. Enter and Esc move between fields.\n"
                                "Fix holds a value (accurate engine only)."));
  grid->addWidget(hint, kLayerRows + 2, 0, 1, 3);
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("message"));
  message_->setStyleSheet(QStringLiteral("color: #b00000"));
  grid->addWidget(message_, kLayerRows + 5, 0, 1, 3);
  grid->setRowStretch(kLayerRows + 3, 1);

  auto* ok = new QPushButton(QStringLiteral("OK"));
  ok->setObjectName(QStringLiteral("button1021"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"));
  cancel->setObjectName(QStringLiteral("button1022"));
  ok->setDefault(false);
  cancel->setDefault(false);
  connect(ok, &QPushButton::clicked, this, &UserModelDiaBox::accept);
  connect(cancel, &QPushButton::clicked, this, &UserModelDiaBox::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  grid->addLayout(buttons, kLayerRows + 4, 0, 1, 3);

  picture_ = new QtCanvas(this);
  picture_->setObjectName(QStringLiteral("picture1020"));
  picture_->setFixedSize(kPictureWidth, kPictureHeight);
  picture_->Clear();

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(12);
  layout->addWidget(picture_, 0, Qt::AlignTop);

  setTabOrder(edits_[0], edits_[1]);
  for (int i = 1; i < kUserModelFieldCount; ++i) {
    setTabOrder(edits_[static_cast<std::size_t>(i - 1)], edits_[static_cast<std::size_t>(i)]);
  }
  if (draw_picture) {
    draw_picture(*picture_);
  }
  edits_[0]->setFocus();
  edits_[0]->selectAll();
  offered_ = Entries();
}

void UserModelDiaBox::accept() {
  bool whole = false;
  const int count = edits_[0]->text().trimmed().toInt(&whole);
  if (!whole || count < kUserModelMinLayers || count > kUserModelMaxEnteredLayers) {
    message_->setText(QStringLiteral("The number of layers must be a whole number from %1 to %2.")
                          .arg(kUserModelMinLayers)
                          .arg(kUserModelMaxEnteredLayers));
    current_ = 0;
    edits_[0]->setFocus(Qt::OtherFocusReason);
    edits_[0]->selectAll();
    return;
  }
  if (fixed_ != nullptr) {
    fixed_->clear();
    for (int i = 1; i < kUserModelFieldCount; ++i) {
      const int layer = (i + 1) / 2;
      const bool in_use = i % 2 == 1 ? layer <= count : layer < count;
      if (in_use && fix_boxes_[static_cast<std::size_t>(i)]->isChecked()) {
        fixed_->push_back(FixedName(i));
      }
    }
  }
  UserModelFields fields;
  for (int i = 0; i < kUserModelFieldCount; ++i) {
    fields[static_cast<std::size_t>(i)] = edits_[static_cast<std::size_t>(i)]->text().toStdString();
  }
  ReadUserModelFields(fields, remembered_count_, user_model_);
  dialog_result_ = 1;
  done(QDialog::Accepted);
}

void UserModelDiaBox::reject() {
  user_model_.layerCount = remembered_count_;
  dialog_result_ = 2;
  done(QDialog::Rejected);
}

void UserModelDiaBox::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      MoveFocus(1);
      return;
    case Qt::Key_Down:
      MoveFocus(1);
      return;
    case Qt::Key_Up:
      MoveFocus(-1);
      return;
    case Qt::Key_Escape: {
      // Esc leaves the dialog, but entries made are not lost unasked.
      if (Entries() != offered_) {
        const bool discard =
            discard_question_
                ? discard_question_()
                : QMessageBox::question(this,
                                        QStringLiteral("Discard the model"),
                                        QStringLiteral("Discard the model entered?")) ==
                      QMessageBox::Yes;
        if (!discard) return;
      }
      reject();
      return;
    }
    default:
      QDialog::keyPressEvent(event);
  }
}

bool UserModelDiaBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn) {
    for (int i = 0; i < kCycledEdits; ++i) {
      if (watched == edits_[static_cast<std::size_t>(i)]) {
        current_ = i;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void UserModelDiaBox::Preview() {
  if (!preview_) return;
  bool whole = false;
  const int count = edits_[0]->text().trimmed().toInt(&whole);
  if (!whole || count < kUserModelMinLayers || count > kUserModelMaxEnteredLayers) return;
  UserModelFields fields;
  for (int i = 0; i < kUserModelFieldCount; ++i) {
    fields[static_cast<std::size_t>(i)] = edits_[static_cast<std::size_t>(i)]->text().toStdString();
  }
  LayeredModel typed = user_model_;
  ReadUserModelFields(fields, remembered_count_, typed);
  LayeredModel taken;
  std::string message;
  if (!AcceptUserModel(typed, taken, message)) return;
  preview_(*picture_, taken);
}

QStringList UserModelDiaBox::Entries() const {
  QStringList entries;
  for (const QLineEdit* edit : edits_) entries << edit->text();
  return entries;
}

void UserModelDiaBox::MoveFocus(int step) {
  current_ = (current_ + step + kCycledEdits) % kCycledEdits;
  QLineEdit* edit = edits_[static_cast<std::size_t>(current_)];
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

}  // namespace layra
