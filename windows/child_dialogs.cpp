#include "windows/child_dialogs.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "state/settings_rules.h"
#include "state/text_format.h"

namespace layra {
namespace {

QRadioButton* MakeRadio(int id, const QString& text, bool checked) {
  auto* radio = new QRadioButton(text);
  radio->setObjectName(QStringLiteral("radio%1").arg(id));
  radio->setChecked(checked);
  return radio;
}

// A group box titled `text` holding the two radio buttons, which form one
// exclusive group with the ids given.
QGroupBox* RadioPair(QDialog* dialog,
                     const QString& text,
                     QRadioButton* first,
                     int first_id,
                     QRadioButton* second,
                     int second_id,
                     QButtonGroup*& group) {
  auto* box = new QGroupBox(text);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(first);
  layout->addWidget(second);
  group = new QButtonGroup(dialog);
  group->addButton(first, first_id);
  group->addButton(second, second_id);
  return box;
}

}  // namespace

// --- DataOutDiaBox -----------------------------------------------------------

DataOutDiaBox::DataOutDiaBox(SipForm& form, int& dialog_result, QWidget* parent)
    : SettingsDialog(
          "DataOutDiaBox", QStringLiteral("Select type of data output"), dialog_result, parent),
      form_(form),
      at_opening_(form) {
  auto* inphase = MakeRadio(
      1030, QStringLiteral("Save as in-phase and out-phase"), form == SipForm::kInphaseOutphase);
  auto* amplitude = MakeRadio(
      1031, QStringLiteral("Save as amplitude and phase"), form == SipForm::kAmplitudePhase);
  QButtonGroup* group = nullptr;
  auto* body = new QVBoxLayout;
  body->addWidget(RadioPair(this,
                            QStringLiteral("Select type of SIP data to save."),
                            inphase,
                            static_cast<int>(SipForm::kInphaseOutphase),
                            amplitude,
                            static_cast<int>(SipForm::kAmplitudePhase),
                            group));
  connect(
      group, &QButtonGroup::idClicked, this, [this](int id) { form_ = static_cast<SipForm>(id); });
  SetBody(body);
}

void DataOutDiaBox::Restore() { form_ = at_opening_; }

// --- ArrayTypeDiaBox ---------------------------------------------------------

ArrayTypeDiaBox::ArrayTypeDiaBox(ArrayType& array_type, int& dialog_result, QWidget* parent)
    : SettingsDialog("ArrayTypeDiaBox", QStringLiteral("Select array type"), dialog_result, parent),
      array_type_(array_type),
      at_opening_(array_type) {
  const bool wenner = array_type == ArrayType::kWenner;
  auto* wenner_radio =
      MakeRadio(1041, QString::fromLatin1(Traits(ArrayType::kWenner).label), wenner);
  auto* schlumberger_radio =
      MakeRadio(1042, QString::fromLatin1(Traits(ArrayType::kSchlumberger).label), !wenner);
  QButtonGroup* group = nullptr;
  auto* body = new QVBoxLayout;
  body->addWidget(RadioPair(this,
                            QStringLiteral("Select type of array."),
                            wenner_radio,
                            static_cast<int>(ArrayType::kWenner),
                            schlumberger_radio,
                            static_cast<int>(ArrayType::kSchlumberger),
                            group));
  connect(group, &QButtonGroup::idClicked, this, [this](int id) {
    array_type_ = static_cast<ArrayType>(id);
  });
  SetBody(body);
}

void ArrayTypeDiaBox::Restore() { array_type_ = at_opening_; }

// --- ChooseIterBox -----------------------------------------------------------

ChooseIterBox::ChooseIterBox(int& current, int iteration_count, int& dialog_result, QWidget* parent)
    : SettingsDialog(
          "ChooseIterBox", QStringLiteral("Choose iteration number"), dialog_result, parent),
      current_(current),
      at_opening_(current),
      iteration_count_(iteration_count) {
  auto* count = new QLabel(
      QString::fromStdString(StrFormat("Your data set has %d iterations.", iteration_count)));
  count->setObjectName(QStringLiteral("static859"));
  auto* prompt = new QLabel(QStringLiteral("Please type in the iteration number you want to use."));
  prompt->setWordWrap(true);
  edit_ = MakeEdit(860, QString::number(current));
  auto* form = new QFormLayout;
  form->addRow(count);
  form->addRow(prompt);
  form->addRow(QStringLiteral("Iteration (0 to %1):").arg(iteration_count), edit_);
  SetBody(form);
  edit_->setFocus();
}

void ChooseIterBox::Store() {
  const int entered = ParseUnsigned(edit_->text().toStdString());
  current_ = std::clamp(entered, 0, std::max(iteration_count_, 0));
}

void ChooseIterBox::Restore() { current_ = at_opening_; }

}  // namespace layra
