// layra-cli model FILE.mod [--json]: reads a forward model file and lists it
// as the forward-modelling window's "Read resistivity model file" does. The
// listing goes to stdout (to stderr with --json, which prints the fields read
// as one JSON object on stdout), messages to stderr; the exit status is 1
// when the file was refused.

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/command_registry.h"
#include "cli/console_listing.h"
#include "cli/json_records.h"
#include "cli/json_util.h"
#include "fileio/model_file.h"
#include "state/records.h"

namespace layra::cli {
namespace {

struct ModelOptions {
  std::string path;
  bool json = false;
};

int RunModel(const ModelOptions& options) {
  // The record holds the SIP result arrays too; keep it off the stack.
  auto model = std::make_unique<ForwardModel>();
  ConsoleListing listing(options.json ? &std::cerr : &std::cout, std::cerr);
  if (ReadModelFile(options.path, *model, listing) != 0) {
    std::cerr << "Model file " << options.path << " was not read.\n";
    return 1;
  }
  if (options.json) std::cout << JsonText(ForwardModelToJson(*model)) << '\n';
  return 0;
}

CommandRegistration registration(
    "model",
    30,
    "Read and list a forward model file (.mod)",
    [](CLI::App* command) -> CommandAction {
      auto options = std::make_shared<ModelOptions>();
      command->add_option("file", options->path, "Model file")->required();
      command->add_flag("--json", options->json, "Print the model read as JSON on stdout");
      return [options]() { return RunModel(*options); };
    });

}  // namespace
}  // namespace layra::cli
