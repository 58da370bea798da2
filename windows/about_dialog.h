#ifndef LAYRA_WINDOWS_ABOUT_DIALOG_H_
#define LAYRA_WINDOWS_ABOUT_DIALOG_H_

#include <QDialog>

namespace layra {

// The program's title: "LAYRA ver. 1.00f Beta".
extern const char kProgramTitle[];

// AboutDiaBox: program name, version and what the program does; closed by
// its OK button (object name "button1").
class AboutDiaBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDiaBox(QWidget* parent = nullptr);
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_ABOUT_DIALOG_H_
