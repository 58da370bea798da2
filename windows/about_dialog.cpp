#include "windows/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace layra {

const char kProgramTitle[] = "LAYRA ver. 1.00f Beta";

AboutDiaBox::AboutDiaBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutDiaBox"));
  setWindowTitle(QStringLiteral("About LAYRA"));
  setModal(true);

  auto* icon = new QLabel;
  QIcon dia_icon(QStringLiteral(":/DiaIcon"));
  if (!dia_icon.isNull()) {
    icon->setPixmap(dia_icon.pixmap(64, 64));
  }
  icon->setAlignment(Qt::AlignTop);

  auto* name = new QLabel(QString::fromLatin1(kProgramTitle));
  QFont name_font = name->font();
  name_font.setBold(true);
  name_font.setPointSizeF(name_font.pointSizeF() * 1.4);
  name->setFont(name_font);

  auto* text = new QLabel(
      QStringLiteral("One-dimensional interpretation of vertical electrical soundings.\n\n"
                     "Reads Wenner and Schlumberger apparent resistivity data, with\n"
                     "induced polarisation or spectral IP values, and inverts them into a\n"
                     "horizontally layered earth by damped least squares: automatically,\n"
                     "with a smooth many-layer model, or from a model you enter.\n"
                     "Every iteration is plotted and written to a results file.\n\n"
                     "Forward modelling computes the response of a layered model\n"
                     "and saves it as a synthetic data file."));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("button1"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* column = new QVBoxLayout;
  column->addWidget(name);
  column->addSpacing(6);
  column->addWidget(text);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(12);
  row->addLayout(column);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
}

}  // namespace layra
