#include "windows/survey_section_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>

#include "windows/picture_commands.h"
#include "windows/qt_canvas.h"

namespace layra {

SurveySectionWindow::SurveySectionWindow(std::vector<SectionProfile> profiles,
                                         std::string subtitle,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window), profiles_(std::move(profiles)) {
  options_.subtitle = std::move(subtitle);
  profile_list_ = new QComboBox(this);
  profile_list_->setObjectName(QStringLiteral("profile"));
  for (const SectionProfile& profile : profiles_) {
    profile_list_->addItem(QString::fromStdString(profile.name.empty() ? "-" : profile.name));
  }
  interpolate_ = new QCheckBox(QStringLiteral("&Interpolate between soundings"), this);
  interpolate_->setObjectName(QStringLiteral("interpolate"));
  elevation_ = new QCheckBox(QStringLiteral("&Elevation"), this);
  elevation_->setObjectName(QStringLiteral("elevation"));
  canvas_ = new QtCanvas(this);
  canvas_->installEventFilter(this);

  auto* choices = new QHBoxLayout;
  choices->setObjectName(QStringLiteral("choices"));
  choices->addWidget(new QLabel(QStringLiteral("Profile:"), this));
  choices->addWidget(profile_list_);
  choices->addWidget(interpolate_);
  choices->addWidget(elevation_);
  choices->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(choices);
  layout->addWidget(canvas_, 1);

  connect(profile_list_, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
  connect(interpolate_, &QCheckBox::toggled, this, [this] { Redraw(); });
  connect(elevation_, &QCheckBox::toggled, this, [this] { Redraw(); });
  setWindowTitle(QStringLiteral("Survey section"));
  resize(1000, 650);
}

void SurveySectionWindow::Redraw() {
  const int index = std::max(profile_list_->currentIndex(), 0);
  options_.interpolate = interpolate_->isChecked();
  options_.elevation = elevation_->isChecked();
  layout_ = PlotSection(profiles_[static_cast<size_t>(index)], options_, *canvas_);
}

void SurveySectionWindow::AddPictureCommands(QtHost& host,
                                             DialogRunner& runner,
                                             std::string base_name) {
  picture_base_name_ = std::move(base_name);
  PictureSource source;
  source.available = [] { return true; };
  source.draw = [this](Canvas& target) {
    const int index = std::max(profile_list_->currentIndex(), 0);
    PlotSection(profiles_[static_cast<size_t>(index)], options_, target);
  };
  source.shownSize = [this] { return canvas_->size(); };
  source.baseName = [this] {
    const std::string& profile =
        profiles_[static_cast<size_t>(std::max(profile_list_->currentIndex(), 0))].name;
    return picture_base_name_ + "_section" +
           (profiles_.size() > 1 && !profile.empty() ? "_" + profile : std::string());
  };
  pictures_ = new PictureCommands(*this, std::move(source), host, runner);
  auto* choices = findChild<QHBoxLayout*>(QStringLiteral("choices"));
  const struct {
    const char* text;
    const char* name;
    QKeySequence keys;
    std::function<void()> run;
  } commands[] = {
      {"E&xport picture...",
       "exportPicture",
       QKeySequence(Qt::CTRL | Qt::Key_E),
       [this] { pictures_->ExportPicture(); }},
      {"&Print...", "printPicture", QKeySequence::Print, [this] { pictures_->Print(); }},
  };
  for (const auto& command : commands) {
    auto* button = new QPushButton(QString::fromLatin1(command.text), this);
    button->setObjectName(QString::fromLatin1(command.name));
    button->setShortcut(command.keys);
    connect(button, &QPushButton::clicked, this, command.run);
    choices->addWidget(button);
  }
}

int SurveySectionWindow::SoundingAt(int x) const {
  const int index = std::max(profile_list_->currentIndex(), 0);
  const SectionProfile& profile = profiles_[static_cast<size_t>(index)];
  int nearest = 0;
  for (size_t c = 1; c < profile.columns.size(); ++c) {
    if (std::abs(layout_.X(profile.columns[c].distance) - x) <
        std::abs(layout_.X(profile.columns[static_cast<size_t>(nearest)].distance) - x)) {
      nearest = static_cast<int>(c);
    }
  }
  return profile.columns[static_cast<size_t>(nearest)].sounding;
}

bool SurveySectionWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == canvas_ && event->type() == QEvent::MouseButtonPress) {
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (at.x() >= layout_.left && at.x() < layout_.right && at.y() >= layout_.top &&
        at.y() < layout_.bottom) {
      emit soundingClicked(SoundingAt(at.x()));
      return true;
    }
  }
  // The canvas takes its new size in its own handler, which runs after this
  // filter: draw once that is done.
  if (watched == canvas_ && event->type() == QEvent::Resize) {
    QTimer::singleShot(0, this, [this] { Redraw(); });
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace layra
