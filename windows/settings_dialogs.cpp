#include "windows/settings_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "state/settings_rules.h"
#include "state/text_format.h"

namespace layra {
namespace {

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

std::string EditText(const QLineEdit* edit, int capacity) {
  return FieldText(edit->text().toStdString(), capacity);
}

QLabel* MakeLabel(int id, const QString& text) {
  auto* label = new QLabel(text);
  if (id != 0) {
    label->setObjectName(QStringLiteral("static%1").arg(id));
  }
  label->setWordWrap(true);
  return label;
}

QRadioButton* MakeRadio(int id, const QString& text, bool checked) {
  auto* radio = new QRadioButton(text);
  radio->setObjectName(QStringLiteral("radio%1").arg(id));
  radio->setChecked(checked);
  return radio;
}

}  // namespace

SettingsDialog::SettingsDialog(const char* name,
                               const QString& title,
                               int& dialog_result,
                               QWidget* parent)
    : QDialog(parent), dialog_result_(dialog_result) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(title);
  setModal(true);
  dialog_result_ = 2;  // closed without a choice counts as Cancel
}

void SettingsDialog::accept() {
  Store();
  dialog_result_ = 1;
  done(QDialog::Accepted);
}

void SettingsDialog::reject() {
  Restore();
  dialog_result_ = 2;
  done(QDialog::Rejected);
}

void SettingsDialog::SetBody(QLayout* body) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("button1"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("button2"));
  connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addSpacing(8);
  layout->addWidget(buttons);
  setMinimumWidth(380);
}

QLineEdit* SettingsDialog::MakeEdit(int id, const QString& text) {
  auto* edit = new QLineEdit(text, this);
  edit->setObjectName(QStringLiteral("edit%1").arg(id));
  edit->selectAll();
  return edit;
}

// --- DampDiaBox ------------------------------------------------------------

DampDiaBox::DampDiaBox(InversionSettings& settings, int& dialog_result, QWidget* parent)
    : SettingsDialog(
          "DampDiaBox", QStringLiteral("Enter New Damping Factors"), dialog_result, parent),
      settings_(settings) {
  initial_edit_ = MakeEdit(755, ToQString(DampingText(settings.initialDampingFactor)));
  minimum_edit_ = MakeEdit(756, ToQString(DampingText(settings.minimumDampingFactor)));
  auto* form = new QFormLayout;
  form->addRow(MakeLabel(
      753, ToQString(StrFormat("Initial Damping factor is %.4f", settings.initialDampingFactor))));
  form->addRow(QStringLiteral("New initial factor (0.01 to 1.0):"), initial_edit_);
  form->addRow(MakeLabel(
      754, ToQString(StrFormat("Minimum Damping factor is %.4f", settings.minimumDampingFactor))));
  form->addRow(QStringLiteral("New minimum factor (0.001 to 0.25):"), minimum_edit_);
  form->addRow(MakeLabel(0,
                         QStringLiteral("The damping factor starts at the initial value, is "
                                        "lowered while the fit improves and never falls below "
                                        "the minimum.")));
  SetBody(form);
  initial_edit_->setFocus();
}

void DampDiaBox::Store() {
  settings_.initialDampingFactor =
      ClampInitialDamping(ParseDecimal(EditText(initial_edit_, kDampingFieldCapacity)));
  settings_.minimumDampingFactor =
      ClampMinimumDamping(ParseDecimal(EditText(minimum_edit_, kDampingFieldCapacity)));
}

// --- NitDiaBox -------------------------------------------------------------

NitDiaBox::NitDiaBox(InversionSettings& settings, int& dialog_result, QWidget* parent)
    : SettingsDialog(
          "NitDiaBox", QStringLiteral("Choose number of iterations"), dialog_result, parent),
      settings_(settings) {
  edit_ = MakeEdit(760, QString::number(settings.iterationLimit));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Number of iterations (1 to 25):"), edit_);
  SetBody(form);
  edit_->setFocus();
}

void NitDiaBox::Store() { settings_.iterationLimit = ParseUnsigned(edit_->text().toStdString()); }

// --- ClmDiaBox / RmsDiaBox ---------------------------------------------------

ConvergenceLimitDialog::ConvergenceLimitDialog(Kind kind,
                                               InversionSettings& settings,
                                               int& dialog_result,
                                               QWidget* parent)
    : SettingsDialog(kind == Kind::kClmDiaBox ? "ClmDiaBox" : "RmsDiaBox",
                     kind == Kind::kClmDiaBox ? QStringLiteral("Choose convergence limit")
                                              : QStringLiteral("New Convergence Limit"),
                     dialog_result,
                     parent),
      settings_(settings) {
  edit_ = MakeEdit(kind == Kind::kClmDiaBox ? 770 : 771,
                   ToQString(ConvergencePercentText(settings.convergenceLimit)));
  auto* form = new QFormLayout;
  if (kind == Kind::kRmsDiaBox) {
    form->addRow(MakeLabel(0,
                           QStringLiteral("The fit has reached the convergence limit. Lower the "
                                          "limit to go on iterating, or keep it to stop.")));
  }
  form->addRow(QStringLiteral("Convergence limit in % (0.01 to 100):"), edit_);
  SetBody(form);
  edit_->setFocus();
}

void ConvergenceLimitDialog::Store() {
  settings_.convergenceLimit =
      ConvergenceLimitFromPercent(ParseDecimal(EditText(edit_, kConvergenceFieldCapacity)));
}

// --- IterDiaBox --------------------------------------------------------------

IterDiaBox::IterDiaBox(InversionSettings& settings, int& dialog_result, QWidget* parent)
    : SettingsDialog(
          "IterDiaBox", QStringLiteral("Enter Additional Iterations"), dialog_result, parent),
      settings_(settings) {
  settings_.additionalIterations = 0;
  edit_ = MakeEdit(761, QStringLiteral("0"));
  auto* form = new QFormLayout;
  form->addRow(MakeLabel(0,
                         QStringLiteral("The inversion has run its %1 iterations. Enter how "
                                        "many more to run (0 stops; at most 25 in all).")
                             .arg(settings.iterationLimit)));
  form->addRow(QStringLiteral("Additional iterations:"), edit_);
  SetBody(form);
  edit_->setFocus();
}

void IterDiaBox::Store() {
  settings_.additionalIterations = ParseUnsigned(edit_->text().toStdString());
}

// --- DataConstrainDiaBox -----------------------------------------------------

DataConstrainDiaBox::DataConstrainDiaBox(InversionSettings& settings,
                                         int& dialog_result,
                                         QWidget* parent)
    : SettingsDialog(
          "DataConstrainDiaBox", QStringLiteral("Select robust inversion"), dialog_result, parent),
      settings_(settings),
      at_opening_(settings) {
  auto* body = new QVBoxLayout;

  auto* data_box = new QGroupBox(QStringLiteral("Data misfit"));
  auto* data_layout = new QFormLayout(data_box);
  auto* data_standard = MakeRadio(
      1431, QStringLiteral("Standard least-squares constrain"), settings.dataConstraint == 0);
  auto* data_robust =
      MakeRadio(1432, QStringLiteral("Robust data constrain"), settings.dataConstraint != 0);
  data_cutoff_edit_ = MakeEdit(1433, ToQString(CutoffText(settings.dataCutoff)));
  data_layout->addRow(data_standard);
  data_layout->addRow(data_robust);
  data_layout->addRow(QStringLiteral("Cut-off factor (0.0001 to 0.1):"), data_cutoff_edit_);
  auto* data_group = new QButtonGroup(this);
  data_group->addButton(data_standard, 0);
  data_group->addButton(data_robust, 1);
  connect(data_group, &QButtonGroup::idClicked, this, [this](int kind) {
    settings_.dataConstraint = kind;
  });

  auto* model_box = new QGroupBox(QStringLiteral("Model roughness"));
  auto* model_layout = new QFormLayout(model_box);
  auto* model_standard = MakeRadio(
      1434, QStringLiteral("Standard least-squares constrain"), settings.modelConstraint == 0);
  auto* model_robust =
      MakeRadio(1435, QStringLiteral("Robust model constrain"), settings.modelConstraint != 0);
  model_cutoff_edit_ = MakeEdit(1436, ToQString(CutoffText(settings.modelCutoff)));
  model_layout->addRow(model_standard);
  model_layout->addRow(model_robust);
  model_layout->addRow(QStringLiteral("Cut-off factor (0.0001 to 1.0):"), model_cutoff_edit_);
  auto* model_group = new QButtonGroup(this);
  model_group->addButton(model_standard, 0);
  model_group->addButton(model_robust, 1);
  connect(model_group, &QButtonGroup::idClicked, this, [this](int kind) {
    settings_.modelConstraint = kind;
  });

  body->addWidget(data_box);
  body->addWidget(model_box);
  body->addWidget(MakeLabel(0,
                            QStringLiteral("A robust model constraint keeps the minimum "
                                           "damping factor at 0.01 or below.")));
  SetBody(body);
  data_cutoff_edit_->setFocus();
}

void DataConstrainDiaBox::Store() {
  settings_.dataCutoff =
      ClampDataCutoff(ParseDecimal(EditText(data_cutoff_edit_, kCutoffFieldCapacity)));
  settings_.modelCutoff =
      ClampModelCutoff(ParseDecimal(EditText(model_cutoff_edit_, kCutoffFieldCapacity)));
  ApplyRobustModelDamping(settings_);
}

void DataConstrainDiaBox::Restore() {
  settings_.dataConstraint = at_opening_.dataConstraint;
  settings_.modelConstraint = at_opening_.modelConstraint;
  settings_.dataCutoff = at_opening_.dataCutoff;
  settings_.modelCutoff = at_opening_.modelCutoff;
}

// --- EngineDiaBox ----------------------------------------------------------

EngineDiaBox::EngineDiaBox(EngineOptions& options, int& dialog_result, QWidget* parent)
    : SettingsDialog("EngineDiaBox",
                     QStringLiteral("Inversion engine and data errors"),
                     dialog_result,
                     parent),
      options_(options) {
  auto* body = new QVBoxLayout;
  auto* engine_box = new QGroupBox(QStringLiteral("Inversion engine"));
  auto* engine_layout = new QVBoxLayout(engine_box);
  auto* documented = MakeRadio(1441,
                               QStringLiteral("Documented (filter and spline, as published)"),
                               options.engine != EngineKind::kAccurate);
  accurate_ = MakeRadio(1442,
                        QStringLiteral("Accurate (exact forward, error-weighted, smooth "
                                       "inversion by the data errors)"),
                        options.engine == EngineKind::kAccurate);
  engine_layout->addWidget(documented);
  engine_layout->addWidget(accurate_);
  auto* group = new QButtonGroup(this);
  group->addButton(documented, 0);
  group->addButton(accurate_, 1);

  auto* errors_box = new QGroupBox(QStringLiteral("Data errors (accurate engine)"));
  auto* errors_layout = new QFormLayout(errors_box);
  floor_edit_ = MakeEdit(1443, ToQString(StrFormat("%g", options.errorFloorPercent)));
  assumed_edit_ = MakeEdit(1444, ToQString(StrFormat("%g", options.assumedErrorPercent)));
  errors_layout->addRow(QStringLiteral("Error floor in percent (0 to 100):"), floor_edit_);
  errors_layout->addRow(QStringLiteral("Assumed error in percent (0.01 to 100):"), assumed_edit_);
  body->addWidget(engine_box);
  body->addWidget(errors_box);
  body->addWidget(MakeLabel(0,
                            QStringLiteral("Each datum is weighted by its error from the data "
                                           "file, never below the floor; data without an error "
                                           "get the assumed error.")));
  SetBody(body);
  floor_edit_->setFocus();
}

void EngineDiaBox::Store() {
  options_.engine = accurate_->isChecked() ? EngineKind::kAccurate : EngineKind::kDocumented;
  auto read = [](const QLineEdit* edit, double low, double high, double previous) {
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return previous;
    return std::min(std::max(value, low), high);
  };
  options_.errorFloorPercent =
      read(floor_edit_, kErrorFloorPercentMin, kErrorFloorPercentMax, options_.errorFloorPercent);
  options_.assumedErrorPercent = read(assumed_edit_,
                                      kAssumedErrorPercentMin,
                                      kAssumedErrorPercentMax,
                                      options_.assumedErrorPercent);
}

}  // namespace layra
