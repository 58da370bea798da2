// layra-cli forward FILE.mod: reads a model file and computes its response as
// the forward-modelling window's Calculate does, lists it, and optionally
// saves it as a synthetic data file (-o), prints it as JSON (--json) or draws
// it (--plot) as the window's Display does.

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/command_registry.h"
#include "cli/console_listing.h"
#include "cli/json_util.h"
#include "cli/output_paths.h"
#include "cli/plot_output.h"
#include "fileio/model_file.h"
#include "fileio/synthetic_data.h"
#include "forward/forward_calculation.h"
#include "graphics/forward_plot.h"
#include "state/records.h"

namespace layra::cli {
namespace {

struct ForwardOptions {
  std::string path;
  std::string array;  // "", "wenner" or "schlumberger"
  std::string sip_form = "amplitude-phase";
  std::string output;
  std::string plot;
  std::string size = "1280x800";
  std::string engine = "documented";
  bool json = false;
};

// A run of the accurate engine says so; the documented engine's output keeps
// its form.
nlohmann::json ResponseToJson(const ForwardModel& model, EngineKind engine) {
  nlohmann::json json;
  if (engine == EngineKind::kAccurate) json["engine"] = EngineName(engine);
  json["spacings"] = FirstValues(model.spacings, model.spacingCount);
  json["calcResistivity"] = FirstValues(model.calcResistivity, model.spacingCount);
  json["calcIp"] = FirstValues(model.calcIp, model.spacingCount);
  json["warnings"] = model.warnings;
  if (model.modelKind == DataKind::kSip) {
    const int values = model.spacingCount * model.frequencyCount;
    json["frequencies"] = FirstValues(model.frequencies, model.frequencyCount);
    json["amplitude"] = FirstValues(model.amplitude, values);
    json["phase"] = FirstValues(model.phase, values);
    json["real"] = FirstValues(model.real, values);
    json["imaginary"] = FirstValues(model.imaginary, values);
  }
  return json;
}

int RunForward(const ForwardOptions& options) {
  // The record holds 64 x 64 SIP arrays; keep it off the stack.
  const std::string overwrite = OutputOverInputMessage(
      {{"Synthetic data file", options.output}, {"Plot file", options.plot}}, {options.path});
  if (!overwrite.empty()) {
    std::cerr << overwrite << '\n';
    return 2;
  }
  auto model = std::make_unique<ForwardModel>();
  ConsoleListing listing(options.json ? &std::cerr : &std::cout, std::cerr);
  if (ReadModelFile(options.path, *model, listing) != 0) {
    std::cerr << "Model file " << options.path << " was not read.\n";
    return 1;
  }
  // --array plays the role of "Change array type".
  ArrayTypeOfName(options.array, &model->arrayType);
  model->outputSipForm =
      options.sip_form == "inphase-outphase" ? SipForm::kInphaseOutphase : SipForm::kAmplitudePhase;
  const EngineKind engine =
      options.engine == "accurate" ? EngineKind::kAccurate : EngineKind::kDocumented;
  if (!CalculateForwardResponse(*model, listing, engine)) return 1;

  int status = 0;
  if (!options.output.empty()) {
    std::string error;
    if (SaveForwardModel(*model, options.output, &error)) {
      std::cerr << "Synthetic data written to " << options.output << '\n';
    } else {
      std::cerr << "Error Message: Cannot write the synthetic data file " << options.output << ":\n"
                << error << '\n';
      status = 1;
    }
  }
  if (!options.plot.empty()) {
    std::string error;
    if (!DrawToImageFile(
            options.plot,
            options.size,
            [&](Canvas& image) { PlotForwardModel(*model, image); },
            &error)) {
      std::cerr << "Error Message: " << error << '\n';
      status = 1;
    }
  }
  if (options.json) std::cout << JsonText(ResponseToJson(*model, engine)) << '\n';
  return status;
}

CommandRegistration registration(
    "forward",
    40,
    "Compute, list and save the response of a model file (.mod)",
    [](CLI::App* command) -> CommandAction {
      auto options = std::make_shared<ForwardOptions>();
      command->add_option("file", options->path, "Model file")->required();
      command->add_option("--array", options->array, "Override the model's array type")
          ->check(CLI::IsMember(ArrayTypeNames()));
      command
          ->add_option(
              "--sip-form", options->sip_form, "SIP output form of -o (default amplitude-phase)")
          ->check(CLI::IsMember({"amplitude-phase", "inphase-outphase"}));
      command->add_option("-o,--output", options->output, "Save the response as a data file");
      command->add_option(
          "--plot", options->plot, "Draw the response to a " + PictureExtensionList() + " file");
      command->add_option(
          "--size", options->size, "Client area of the plot, WxH (default 1280x800)");
      command->add_flag("--json", options->json, "Print the response as JSON on stdout");
      command
          ->add_option("--engine",
                       options->engine,
                       "documented (default): the documented filter and spline; accurate: exact to "
                       "about 1e-6 at every spacing, in double precision")
          ->check(CLI::IsMember({"documented", "accurate"}));
      return [options]() { return RunForward(*options); };
    });

}  // namespace
}  // namespace layra::cli
