#ifndef LAYRA_CLI_COMMAND_REGISTRY_H_
#define LAYRA_CLI_COMMAND_REGISTRY_H_

// Each subcommand of layra-cli lives in its own file and registers itself
// here at start-up with its name, its one-line description and a function
// that adds its options to the subcommand and returns the action to run when
// it is chosen. Only the chosen subcommand's options are ever added: setting
// up every option of every command was most of the start-up of a run.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace layra::cli {

using CommandAction = std::function<int()>;
// Adds the options to the subcommand `command` and returns what to run when
// it is chosen.
using CommandSetup = std::function<CommandAction(CLI::App* command)>;

struct RegisteredCommand {
  std::string name;
  std::string description;
  CommandSetup setup;
  int order;  // position in the help listing
};

std::vector<RegisteredCommand>& Commands();

struct CommandRegistration {
  CommandRegistration(std::string name, int order, std::string description, CommandSetup setup) {
    Commands().push_back({std::move(name), std::move(description), std::move(setup), order});
  }
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_COMMAND_REGISTRY_H_
