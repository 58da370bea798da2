#ifndef LAYRA_CLI_COMMAND_REGISTRY_H_
#define LAYRA_CLI_COMMAND_REGISTRY_H_

// Each subcommand of layra-cli lives in its own file and registers itself
// here at start-up with a function that adds its options to the parser and
// returns the action to run when it is chosen.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace layra::cli {

using CommandAction = std::function<int()>;
// Adds the subcommand to `app` and returns what to run when it is chosen.
using CommandSetup = std::function<CommandAction(CLI::App& app)>;

struct RegisteredCommand {
  std::string name;
  CommandSetup setup;
  int order;  // position in the help listing
};

std::vector<RegisteredCommand>& Commands();

struct CommandRegistration {
  CommandRegistration(std::string name, int order, CommandSetup setup) {
    Commands().push_back({std::move(name), std::move(setup), order});
  }
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_COMMAND_REGISTRY_H_
