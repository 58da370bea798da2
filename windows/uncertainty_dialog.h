#ifndef LAYRA_WINDOWS_UNCERTAINTY_DIALOG_H_
#define LAYRA_WINDOWS_UNCERTAINTY_DIALOG_H_

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace layra {

// Inversion > Equivalence analysis: the table of how sure the last run's
// model is, read-only, with a Close button.
class UncertaintyDialog : public QDialog {
  Q_OBJECT

 public:
  UncertaintyDialog(const QString& table, QWidget* parent = nullptr);
  QString text() const;

 private:
  QPlainTextEdit* table_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_UNCERTAINTY_DIALOG_H_
