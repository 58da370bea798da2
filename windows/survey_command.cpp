#include "windows/survey_command.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QThread>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "state/text_format.h"
#include "survey/section_plot.h"
#include "survey/survey_file.h"
#include "survey/survey_run.h"
#include "windows/qt_host.h"
#include "windows/survey_section_window.h"

namespace layra {
namespace {

constexpr char kCaption[] = "Survey section";
constexpr int kListedFailures = 10;

}  // namespace

SurveySectionWindow* OpenSurveySection(const std::string& path,
                                       QWidget* owner,
                                       QtHost& host,
                                       DialogRunner& runner,
                                       EngineKind engine,
                                       OpenSurveySounding open_sounding,
                                       SurveyRunDone run_done) {
  namespace fs = std::filesystem;
  std::vector<SurveySounding> soundings;
  std::string error;
  if (!ReadSurveyFile(path, &soundings, &error)) {
    host.Warn(error, kCaption);
    return nullptr;
  }
  const fs::path survey(path);
  const fs::path folder = survey.parent_path() / (survey.stem().string() + "_results");
  std::error_code fs_error;
  fs::create_directories(folder, fs_error);
  if (!fs::is_directory(folder)) {
    host.Warn("Cannot create the results folder " + folder.string(), kCaption);
    return nullptr;
  }

  const int count = static_cast<int>(soundings.size());
  std::atomic<bool> cancel{false};
  std::atomic<int> done{0};
  SurveyRunOptions options;
  options.outputDirectory = folder.string();
  options.jobs = std::max(1, QThread::idealThreadCount());
  options.cancel = &cancel;
  // A sounding clicked in the section is shown with its run.
  options.keepDocument = open_sounding != nullptr || run_done != nullptr;
  options.engine = engine;
  std::vector<SoundingResult> results;
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    results = InvertSurvey(soundings, options, [&](int, const SoundingResult&) { ++done; });
    finished = true;
  });
  QProgressDialog progress(QStringLiteral("Inverting the soundings of the survey..."),
                           QStringLiteral("Cancel"),
                           0,
                           count,
                           owner);
  progress.setObjectName(QStringLiteral("surveyProgress"));
  progress.setWindowTitle(QString::fromLatin1(kCaption));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  while (!finished) {
    progress.setValue(done);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (progress.wasCanceled()) cancel = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  worker.join();
  progress.setValue(count);

  std::string failures;
  int failed = 0;
  for (size_t i = 0; i < results.size(); ++i) {
    if (results[i].status == SoundingStatus::kOk) continue;
    if (++failed <= kListedFailures) {
      failures += "\n" + soundings[i].name + ": " + results[i].message;
    }
  }
  if (failed > 0) {
    host.Warn(StrFormat("%d of %d soundings were not inverted:", failed, count) + failures +
                  (failed > kListedFailures ? "\n..." : ""),
              kCaption);
  }
  if (run_done) run_done(soundings, results);
  std::vector<SectionProfile> profiles = BuildSectionProfiles(soundings, results);
  if (profiles.empty()) return nullptr;
  auto* window = new SurveySectionWindow(std::move(profiles), survey.filename().string(), owner);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->AddPictureCommands(host, runner, (survey.parent_path() / survey.stem()).string());
  if (open_sounding) {
    // The window keeps the soundings and results for its clicks.
    auto survey_run =
        std::make_shared<std::pair<std::vector<SurveySounding>, std::vector<SoundingResult>>>(
            std::move(soundings), std::move(results));
    QObject::connect(window,
                     &SurveySectionWindow::soundingClicked,
                     window,
                     [survey_run, open_sounding](int index) {
                       const size_t i = static_cast<size_t>(index);
                       open_sounding(survey_run->first.at(i), survey_run->second.at(i));
                     });
  }
  window->setWindowTitle(QString::fromStdString("Survey section - " + survey.filename().string()));
  window->show();
  return window;
}

}  // namespace layra
