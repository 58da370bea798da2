#include "windows/dialog_runner.h"

#include <QDialog>

namespace layra {

int DialogRunner::Run(QDialog& dialog) { return dialog.exec(); }

}  // namespace layra
