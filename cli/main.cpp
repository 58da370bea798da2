// layra-cli: the command-line front end over the LAYRA core. Listings go to
// stdout, messages to stderr; the exit status is 0 on success and non-zero
// when a file was refused or a run failed.

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>

#include "cli/command_registry.h"
#include "layra_version.h"

namespace layra::cli {

std::vector<RegisteredCommand>& Commands() {
  static std::vector<RegisteredCommand> commands;
  return commands;
}

}  // namespace layra::cli

int main(int argc, char** argv) {
  CLI::App app{"LAYRA: one-dimensional interpretation of vertical electrical soundings"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("layra-cli ") + LAYRA_VERSION);
  auto commands = layra::cli::Commands();
  std::sort(commands.begin(), commands.end(), [](const auto& a, const auto& b) {
    return a.order < b.order;
  });
  // The command named on the command line (the first argument that names
  // one) gets its options; the others need only their name and description
  // for the help listing.
  std::string chosen;
  for (int i = 1; i < argc && chosen.empty(); ++i) {
    for (const auto& command : commands) {
      if (command.name == argv[i]) chosen = command.name;
    }
  }
  std::map<std::string, layra::cli::CommandAction> actions;
  for (auto& command : commands) {
    CLI::App* subcommand = app.add_subcommand(command.name, command.description);
    if (command.name == chosen) actions[command.name] = command.setup(subcommand);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error);
  }
  for (auto* subcommand : app.get_subcommands()) {
    auto it = actions.find(subcommand->get_name());
    if (it != actions.end()) {
      int status = it->second();
      std::fflush(stdout);
      return status;
    }
  }
  return 1;
}
