#ifndef LAYRA_WINDOWS_SURVEY_SECTION_WINDOW_H_
#define LAYRA_WINDOWS_SURVEY_SECTION_WINDOW_H_

// The window of a survey run: the resistivity section of one profile at a
// time (chosen in a list when the survey has several), each sounding's model
// as a column or interpolated between soundings, against depth or elevation.
// The section is drawn anew from the models whenever the window changes size
// or a choice changes, never scaled from an old picture. A click on the
// section chooses the sounding whose column is nearest. The section is
// exported (PNG, SVG, BMP, PDF) and printed by the picture commands every
// window has.

#include <QWidget>
#include <string>
#include <vector>

#include "survey/section_plot.h"

class QCheckBox;
class QComboBox;

namespace layra {

class DialogRunner;
class PictureCommands;
class QtCanvas;
class QtHost;

class SurveySectionWindow : public QWidget {
  Q_OBJECT

 public:
  // `profiles` must not be empty; `subtitle` is shown after each title.
  SurveySectionWindow(std::vector<SectionProfile> profiles,
                      std::string subtitle,
                      QWidget* parent = nullptr);

  QtCanvas& canvas() { return *canvas_; }
  // Adds Export picture... (Ctrl+E) and Print... (Ctrl+P) buttons; exports
  // offer `base_name` (a path without extension) and the profile's name.
  void AddPictureCommands(QtHost& host, DialogRunner& runner, std::string base_name);
  // Null until AddPictureCommands.
  PictureCommands* pictures() { return pictures_; }
  // Where the last drawing put the section.
  const SectionLayout& layout() const { return layout_; }
  // Draws the chosen profile at the canvas's present size.
  void Redraw();
  // Index in the survey of the sounding whose column is nearest to pixel
  // column `x` of the canvas.
  int SoundingAt(int x) const;

 signals:
  // A sounding was clicked; `sounding` is its index in the survey.
  void soundingClicked(int sounding);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::vector<SectionProfile> profiles_;
  SectionOptions options_;
  SectionLayout layout_;
  QComboBox* profile_list_;
  QCheckBox* interpolate_;
  QCheckBox* elevation_;
  QtCanvas* canvas_;
  PictureCommands* pictures_ = nullptr;
  std::string picture_base_name_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_SURVEY_SECTION_WINDOW_H_
