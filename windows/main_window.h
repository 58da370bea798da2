#ifndef LAYRA_WINDOWS_MAIN_WINDOW_H_
#define LAYRA_WINDOWS_MAIN_WINDOW_H_

// The main window: shows one sounding document (listing, plot, Model and Data
// panels, status bar) and dispatches the commands of its menu; reading a file
// makes a fresh document. Commands run to completion on the user-interface
// thread; while one runs (an inversion processes events so that every plot
// is seen) the menus are disabled and further commands are ignored, and
// closing the window stops a run after its current iteration.

#include <QMainWindow>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/uncertainty_report.h"
#include "graphics/sounding_chart.h"
#include "inversion/sounding_document.h"
#include "state/records.h"
#include "windows/dialog_runner.h"
#include "windows/shell_state.h"
#include "windows/sounding_workspace.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QStackedLayout;
class QPushButton;

namespace layra {

class DataTable;
class ModelTable;
class PictureCommands;
class Canvas;
class QtCanvas;
struct SoundingResult;
struct SurveySounding;
class QtHost;
class WorkspaceView;
class BackgroundWork;
class RunList;
class SoundingList;
class ProjectFiles;
struct ModelState;
struct ChartHandle;

// Menu command ids.
enum CommandId : int {
  kCommandReadData = 101,
  kCommandForwardModelling = 102,
  kCommandDampingFactors = 111,
  kCommandIterations = 112,
  kCommandConvergenceLimit = 113,
  kCommandRobustInversion = 114,
  kCommandEngine = 115,
  kCommandAutomaticInversion = 121,
  kCommandUserModelInversion = 122,
  kCommandEquivalenceAnalysis = 123,
  kCommandDisplayResults = 131,
  kCommandSurveySection = 132,
  kCommandExit = 151,
  kCommandSaveScreen = 201,
  // Commands of the desktop program beyond the classic menu.
  kCommandExportPicture = 401,
  kCommandPrint = 402,
  kCommandCopyPicture = 403,
  kCommandSaveModelCsv = 404,
  kCommandCopyModelCsv = 405,
  kCommandCopyDataCsv = 406,
  kCommandImportFieldSheet = 407,
  kCommandUsageGuide = 411,
  kCommandAbout = 412,
  kCommandDocumentedLayout = 413,
  kCommandNextPage = 414,
  kCommandPreviousPage = 415,
  // The workspace's commands: runs off the user-interface thread that ask
  // nothing, model edits, projects.
  kCommandWorkspaceRun = 501,
  kCommandInvertFromModel = 502,
  kCommandCancelRun = 503,
  kCommandEquivalenceInTable = 504,
  kCommandSplitLayer = 505,
  kCommandRemoveLayer = 506,
  kCommandCloseSounding = 507,
  kCommandOpenProject = 510,
  kCommandSaveProject = 511,
  kCommandSaveProjectAs = 512,
  kCommandChooseLayerCount = 513,
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `runner` runs every dialog and message box (the window's own modal
  // runner when null; tests pass one that answers without blocking).
  explicit MainWindow(DialogRunner* runner = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Carries out menu command `id` as if it had been chosen from the menu.
  void RunCommand(int id);

  // Opens `path` by its extension: a data file (.dat and any other) is read
  // here, a model file (.mod) in the forward modelling window, a results
  // file (.inv) in the display window. False when the file does not exist
  // (the user is told) or a child window is open.
  bool OpenFile(const QString& path);
  // Files to open in turn with OpenFile once the window has been shown and
  // its about box closed (the command line's).
  void setStartupFiles(const QStringList& paths) { startup_files_ = paths; }
  // True when the window took its place and size from the last session.
  bool restoredGeometry() const { return restored_geometry_; }

  // What the first paint does once: shows the about box. Runs on its own
  // after the window's first paint.
  void HandleFirstPaint();

  // Non-zero while a child window (forward modelling, results display) is
  // open; the child sets it when it opens and clears it when it closes.
  int modeFlag() const { return mode_flag_; }
  void setModeFlag(int flag) { mode_flag_ = flag; }
  // The open forward modelling or results display window, if any.
  QMainWindow* childWindow() const { return child_window_; }
  // The section window of the last survey run, while it is open.
  QWidget* surveyWindow() const { return survey_window_; }
  // Reads the data file of a sounding of a survey run into a fresh document
  // and shows it with the run the survey made, as after an inversion.
  void ShowSurveySounding(const SurveySounding& sounding, const SoundingResult& result);

  // -1 before the first paint, 0 after it, then the id of each command.
  int lastCommand() const { return last_command_; }
  bool commandRunning() const { return busy_; }

  // The sounding shown (no data before a read); the settings dialogs change
  // its run settings, which a new document takes over.
  SoundingDocument& document() { return *document_; }
  // What the window keeps of the sounding shown: its run shown, the runs
  // compared, its equivalence analysis.
  ProjectSounding& soundingState() { return *state_; }
  // The soundings open (File > Read adds one; the sounding list shows one).
  SoundingWorkspace& workspace() { return *workspace_; }
  // Adds `document` to the soundings open (in place of one read from the
  // same file) and shows it with its last run; its listing is `listing`.
  void AddDocument(std::unique_ptr<SoundingDocument> document, const QString& listing);
  const SoundingRun* shownRun() const;  // the completed run shown, or null
  ShellState& shell() { return shell_; }
  QtCanvas& canvas() { return *canvas_; }
  // The plot in units, shown unless the documented layout is chosen (View >
  // Documented layout); the documented canvas is drawn underneath all along.
  WorkspaceView& workspaceView() { return *workspace_view_; }
  bool documentedLayout() const;
  void setDocumentedLayout(bool documented);
  QtHost& host() { return *host_; }
  QPlainTextEdit& listing() { return *listing_; }
  ModelTable& modelTable() { return *model_table_; }
  DataTable& dataTable() { return *data_table_; }
  PictureCommands& pictures() { return *pictures_; }
  // The status bar's text: data file, engine, iteration and misfit, and
  // what the workspace last did (a run's progress and why it stopped, the
  // misfit of the model being edited).
  QString statusText() const;
  // For the program run by a user (not in tests): the run settings and
  // engine are remembered across sessions, the workspace autosaved to
  // `state_folder` for recovery after a crash, and closing asks before
  // unsaved work is lost.
  void EnableSessionMemory(const QString& state_folder);
  // The run settings the session memory keeps, written now.
  void RememberRunSettings();
  // True while a workspace run or analysis is going on.
  bool workspaceBusy() const;
  // Waits (processing events) until the workspace's run or analysis ends.
  void WaitForWorkspace();
  ProjectFiles& projects() { return *projects_; }
  RunList& runList() { return *run_list_; }
  SoundingList& soundingList() { return *sounding_list_; }
  // The folder the choosers start in at start-up (the one last used, else the
  // working folder), ending in a separator.
  const std::string& programDirectory() const { return program_directory_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenus();
  void BuildDocks();
  // Tables and status bar from the document.
  void ShowState();
  // Adds `text` to the listing dock.
  void AddListingLine(const std::string& text);
  // Reads the data file `path` (a chooser's choice or the command line's).
  // With a `file_name`, the data set is known by that name instead (its
  // folder becomes the data folder) and the listing names `listed_as` where
  // it would name `path`: a field sheet read through a temporary data file.
  void ReadDataFrom(const std::string& path,
                    const std::string& file_name = std::string(),
                    const std::string& listed_as = std::string());
  // Reads a field sheet (CSV) as a data set and offers to save it as a data
  // file.
  void ImportFieldSheet();
  void SaveModelCsv();
  // After a completed resistivity run: the plot view redraws the fit of the
  // shown run at every size, every point shown, those left out hollow;
  // `draw_now` draws it at once (else only with points left out).
  void ShowFit(bool draw_now);
  // What the plot in units shows of the document and its shown run.
  ChartInput WorkspaceChart() const;
  // The runs ticked in the run list (but `shown`) overlaid on `chart`.
  void AddComparedRuns(ChartInput& chart, int shown) const;
  // Keeps the iteration a run reached for the plot view.
  void FollowRun(const RunOptions& options, const IterationEvent& event);
  // The View commands' check mark and whether there are pages to step through.
  void UpdateViewCommands();
  void DrawFit(Canvas& canvas) const;
  void ShowUsageGuide();
  QAction* AddCommand(QMenu* menu, int id, const QString& text, const QString& name);
  // Shows the mode message when a child window is open; true if refused.
  bool RefusedInMode();
  // Shows the no-data message when no data file has been read; true if so.
  bool RefusedWithoutData();

  void ReadData();
  // Lists the datum levels of the data read and their merge factors.
  void ListDatumLevels();
  void ChangeDamping();
  void ChangeIterations();
  void ChangeConvergenceLimit();
  void ChangeConstraints();
  void ChangeEngine();
  void AutomaticInversion();
  // Runs an inversion of the document, listed in the dock and plotted:
  // interactive (results file chosen, questions asked) or silent (scratch
  // results file, nothing asked). False when no run was made.
  bool RunWithListing(bool from_model, bool silent);
  // An interactive run's results file, asked for until it can be created;
  // false when the user gives up.
  bool ChooseResultsFile(std::string* path);
  // A silent run's scratch results file; false, with the message, if none.
  bool ScratchResultsFile(std::string* path);
  void UserModelInversion();
  // How sure the last run's model is: the table in a dialog, the plot drawn
  // again with the acceptable models or the depth of investigation.
  void EquivalenceAnalysis();
  // Runs the silent automatic inversion (unless the document has one to
  // reuse) and the user-model dialog, filled with the model chosen (being
  // edited, or the few-layer model of run `chosen_run`); true when the user
  // entered a model the inversion accepts (then the document's).
  bool AskUserModel(int chosen_run);
  // The document's last completed automatic run on the points left in now
  // with the engine and settings chosen now, or null.
  const SoundingRun* ReusableAutomaticRun() const;
  // Commands 102 and 131: the forward modelling or results display window,
  // over this window and at its place.
  void OpenChildWindow(int id);
  // Command 201: this window's picture as a bitmap file.
  void SaveScreen();
  // Command 132: a survey file chosen, run and shown in a section window.
  void SurveySection();
  // Adds the soundings the survey `survey` ran to the sounding list.
  void AddSurveySoundings(const std::string& survey,
                          const std::vector<SurveySounding>& soundings,
                          std::vector<SoundingResult>& results);

  // Shows sounding `index` of the workspace (-1: none) everywhere.
  void ShowSounding(int index);

  // The workspace (main_window_workspace.cpp).
  void BuildWorkspace();
  void AddWorkspaceCommands(QMenu* file, QMenu* edit, QMenu* inversion);
  // Tables, run list, plot and status bar again from the sounding shown.
  void RefreshSounding();
  // `line` to the listing of `document`'s sounding (shown at once if it is
  // the one shown).
  void AppendListing(const SoundingDocument* document, const std::string& line);
  // Runs the sounding shown off the user-interface thread: automatic, or
  // from the model shown; nothing asked, the results file written beside
  // the data file.
  void StartWorkspaceRun(bool from_model);
  void FinishWorkspaceRun(SoundingDocument* document, SoundingRun run);
  // The equivalence analysis of the run shown, off the user-interface
  // thread, into the Model table.
  void StartEquivalence();
  // Fits 2..6 layers with the accurate engine off the user-interface thread
  // and picks the count: its table to the listing, its model to edit.
  void StartLayerCount();
  // The model the plot's handles and the Model table edit: the working
  // model when it is shown, else the shown run's.
  LayeredModel EditableModel() const;
  // Applies `edit` to the editable model as one step of the undo history.
  void EditModel(const QString& text, const std::function<bool(LayeredModel&)>& edit);
  void BeginDrag(const ChartHandle& handle);
  void Drag(const ChartHandle& handle, double depth, double resistivity);
  void EndDrag();
  // The leave-out of `point` changed (Data table): one step of the history.
  void LeaveOut(int point, bool left_out);
  // The documented run just appended to the document, moved onto the undo
  // history (so that undo takes it back).
  void RecordLastRun(const InversionSettings& settings_before);
  void SetWorkspaceStatus(const QString& text);
  // Whether the Data table lists the raw readings (Schlumberger data of
  // several MN/2 segments) rather than the merged points.
  bool ShowsReadings() const;
  void ShowReadings(const SoundingRun* run);
  // Raw reading `reading` left out of the merge or taken back: the data
  // merged again, one step of the history.
  void LeaveOutReading(int reading, bool left_out);

  ShellState shell_;
  SoundingWorkspace* workspace_ = nullptr;
  ProjectSounding none_;                  // shown when no sounding is: no data, the settings
  ProjectSounding* state_ = &none_;       // the sounding shown
  SoundingDocument* document_ = nullptr;  // its document (none_'s without one)
  LayeredModel user_model_entries_;       // the user-model dialog's, kept to mend
  std::atomic<bool> stop_run_{false};     // the window is closing: stop the run
  std::string program_directory_;
  int mode_flag_ = 0;
  int last_command_ = -1;
  bool busy_ = false;
  bool close_pending_ = false;
  std::unique_ptr<DialogRunner> own_runner_;
  DialogRunner* runner_;
  std::unique_ptr<QtHost> host_;
  QtCanvas* canvas_;
  WorkspaceView* workspace_view_ = nullptr;
  QStackedLayout* plot_layout_ = nullptr;
  QAction* documented_layout_action_ = nullptr;
  QAction* next_page_action_ = nullptr;
  QAction* previous_page_action_ = nullptr;
  // The run the plot in units labels, whether one is going on, and the
  // analysis of the last one (Equivalence analysis).
  std::string run_label_;
  bool running_ = false;
  std::optional<SoundingRun> live_run_;  // the iteration reached, while running
  QPointer<QMainWindow> child_window_;
  QPlainTextEdit* listing_ = nullptr;
  ModelTable* model_table_ = nullptr;
  DataTable* data_table_ = nullptr;
  PictureCommands* pictures_ = nullptr;
  QLabel* status_label_ = nullptr;
  QStringList startup_files_;
  bool restored_geometry_ = false;
  QPointer<QWidget> survey_window_;
  // The workspace.
  BackgroundWork* background_ = nullptr;
  SoundingDocument* running_document_ = nullptr;  // the sounding a workspace run is of
  std::unique_ptr<ModelState> drag_before_;       // the model before the drag going on
  QString workspace_status_;
  bool recording_run_ = false;
  bool session_memory_ = false;  // a documented run is being put on the history
  RunList* run_list_ = nullptr;
  SoundingList* sounding_list_ = nullptr;
  ProjectFiles* projects_ = nullptr;
  QPushButton* cancel_button_ = nullptr;
  QLabel* hover_label_ = nullptr;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_MAIN_WINDOW_H_
