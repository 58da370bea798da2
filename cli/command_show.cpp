// layra-cli show FILE.INV: reads an inversion results file as the display
// window does, lists it, and optionally draws one iteration (--plot, default
// the last) as the window's "Display model" does, or prints the results as
// JSON (--json).

#include <algorithm>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "cli/console_listing.h"
#include "cli/json_records.h"
#include "cli/json_util.h"
#include "cli/output_paths.h"
#include "cli/plot_output.h"
#include "fileio/results_file.h"
#include "graphics/sounding_plot.h"
#include "state/records.h"
#include "state/text_format.h"

namespace layra::cli {
namespace {

struct ShowOptions {
  std::string path;
  int iteration = -1;  // -1: the last
  std::string plot;
  std::string size = "1280x800";
  bool json = false;
};

int RunShow(const ShowOptions& options) {
  const std::string overwrite =
      OutputOverInputMessage({{"Plot file", options.plot}}, {options.path});
  if (!overwrite.empty()) {
    std::cerr << overwrite << '\n';
    return 2;
  }
  auto results = std::make_unique<InversionResults>();
  ConsoleListing listing(options.json ? &std::cerr : &std::cout, std::cerr);
  if (ReadResultsFile(options.path, *results, listing) != 0) {
    std::cerr << "Results file " << options.path << " was not read.\n";
    return 1;
  }
  int status = 0;
  if (!options.plot.empty()) {
    if (results->iterationCount < 1) {
      listing.Warn("You need to read in a file\nwith the inversion results!", "Message");
      return 1;
    }
    // The window's iteration chooser holds a request to 0..N, where the
    // plot shows which iteration it is; a picture named on the command line
    // would silently show another one.
    const int last = results->iterationCount;
    if (options.iteration > last) {
      std::cerr << StrFormat("--iteration %d: %s holds iterations 0 to %d.\n",
                             options.iteration,
                             options.path.c_str(),
                             last);
      return 2;
    }
    const int k = options.iteration < 0 ? last : options.iteration;
    std::string error;
    if (!DrawToImageFile(
            options.plot,
            options.size,
            [&](Canvas& canvas) { PlotResultsIteration(*results, k, canvas); },
            &error)) {
      std::cerr << error << '\n';
      status = 1;
    }
  }
  if (options.json) std::cout << JsonText(InversionResultsToJson(*results)) << '\n';
  return status;
}

CommandRegistration registration(
    "show",
    35,
    "List an inversion results file (.INV) and plot an iteration",
    [](CLI::App* command) -> CommandAction {
      auto options = std::make_shared<ShowOptions>();
      command->add_option("file", options->path, "Results file")->required();
      command->add_option("--iteration", options->iteration, "Iteration to plot (default the last)")
          ->check(CLI::NonNegativeNumber);
      command->add_option("--plot", options->plot, "Save the plot as " + PictureFormatNames());
      command->add_option("--size", options->size, "Plot size WxH in pixels (default 1280x800)");
      command->add_flag("--json", options->json, "Print the results as JSON on stdout");
      return [options]() { return RunShow(*options); };
    });

}  // namespace
}  // namespace layra::cli
