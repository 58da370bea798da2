#include "windows/user_model_dialog.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "windows/qt_canvas.h"

namespace layra {
namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;
constexpr int kLayerRows = 9;

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
                                 QWidget* parent)
    : QDialog(parent),
      user_model_(user_model),
      dialog_result_(dialog_result),
      remembered_count_(user_model.layerCount) {
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
    edits_[static_cast<std::size_t>(i)] = edit;
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
    grid->addWidget(edits_[static_cast<std::size_t>(1 + 2 * (layer - 1))], row, 1);
    if (layer < kLayerRows) {
      grid->addWidget(edits_[static_cast<std::size_t>(2 + 2 * (layer - 1))], row, 2);
    }
  }
  auto* hint =
      new QLabel(QStringLiteral("Enter the layers from the top down; the last layer\n"
                                "has no thickness. Enter and Esc move between fields.\n"
                                "The inversion takes 2 to 7 layers."));
  grid->addWidget(hint, kLayerRows + 2, 0, 1, 3);
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
}

void UserModelDiaBox::accept() {
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
    case Qt::Key_Escape:
      MoveFocus(-1);
      return;
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

void UserModelDiaBox::MoveFocus(int step) {
  current_ = (current_ + step + kCycledEdits) % kCycledEdits;
  QLineEdit* edit = edits_[static_cast<std::size_t>(current_)];
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
}

}  // namespace layra
