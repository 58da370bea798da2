#ifndef LAYRA_CLI_INVERT_JOB_H_
#define LAYRA_CLI_INVERT_JOB_H_

// One sounding's inversion as the front ends ask for it (layra-cli invert,
// the Python module's invert): the choices, checked alike, the run on the
// sounding's document, and the record of how it ended that both give back
// (the command line's --json element, the module's result).

#include <atomic>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "graphics/plot_snapshot.h"
#include "inversion/sounding_document.h"
#include "platform/canvas.h"
#include "state/records.h"

namespace layra::cli {

struct InvertChoices {
  bool user_model = false;  // from the file's (or a given) starting model
  int iterations = InversionSettings().iterationLimit;
  std::vector<double> damping;                // initial, minimum; empty: the defaults
  double convergence_percent = std::nan("");  // not given: the default or the file's limit
  int more_iterations = 0;                    // answer to the iteration-limit question
  bool robust = false;                        // robust (blocky) automatic model
  std::string layers;                         // "auto": choose the layer count
  bool uncertainty = false;
  EngineOptions engine_options;
};

// How a front end names the choices in its messages.
struct ChoiceNames {
  std::string fix = "--fix";
  std::string bound = "--bound";
  std::string accurate = "--engine accurate";
  std::string user_model = "--user-model";
  std::string robust = "--robust";
  std::string layers = "--layers";
  std::string uncertainty = "--uncertainty";
};

// False, with a message, for choices that cannot be honoured together.
bool CheckInvertChoices(const InvertChoices& choices,
                        const ChoiceNames& names,
                        std::string* message);

// The run request of `choices` with the settings as the dialogs leave them
// (the values were checked against their ranges before).
FileRunRequest RunRequestOf(const InvertChoices& choices);

// How one sounding's inversion ended. `json` holds the record of --json
// (filled when asked for).
struct InvertRecord {
  std::string status = "failed";  // "ok", "refused", "failed" or the fit's status
  std::string message;
  std::string results_file;
  int layers = 0;
  int iterations = 0;
  float misfit = 0.0f;
  double chi2 = 0.0;
  bool accurate = false;
  bool not_ok_fit = false;  // ran to the end, but the fit is not one to rely on
  nlohmann::json json;
};

// Where the run's pictures go: its last plot once it is over, then the
// resistivity plot with the uncertainty of the model.
struct InvertPicture {
  Canvas& canvas;
  const std::unique_ptr<PlotSnapshot>& last_plot;  // kept by the run's observer
};

// Runs `file` (read by ReadForRun for `request`, or prepared by
// PrepareForRun) as `choices` say: the layer count chosen first with
// --layers auto, the uncertainty analysed after the run when asked. Tables
// go to `tables`; `json` fills record.json.
void InvertSounding(FileRun& file,
                    const InvertChoices& choices,
                    const FileRunRequest& request,
                    RunObserver& observer,
                    std::ostream& tables,
                    bool json,
                    InvertRecord& record,
                    const InvertPicture* picture = nullptr,
                    const std::atomic<bool>* cancel = nullptr);

// The --json element of `record` for the data file `file`.
nlohmann::json InvertRecordJson(const InvertRecord& record, const std::string& file);

}  // namespace layra::cli

#endif  // LAYRA_CLI_INVERT_JOB_H_
