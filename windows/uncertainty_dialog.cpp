#include "windows/uncertainty_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace layra {

UncertaintyDialog::UncertaintyDialog(const QString& table, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("UncertaintyDialog"));
  setWindowTitle(QStringLiteral("Equivalence analysis"));
  table_ = new QPlainTextEdit(table, this);
  table_->setObjectName(QStringLiteral("table"));
  table_->setReadOnly(true);
  table_->setLineWrapMode(QPlainTextEdit::NoWrap);
  table_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(buttons);
  resize(720, 420);
}

QString UncertaintyDialog::text() const { return table_->toPlainText(); }

}  // namespace layra
