#ifndef LAYRA_TESTS_SUPPORT_CLI_RUN_H_
#define LAYRA_TESTS_SUPPORT_CLI_RUN_H_

// Runs the real layra-cli binary (LAYRA_CLI_PATH) with a command line and
// collects its exit status, stdout and stderr.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/scratch_dir.h"

namespace layra::testing {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// `arguments` is passed to the shell as it stands: quote paths with blanks.
// With `timeout_seconds`, a run that takes longer is stopped (status 124):
// for runs that might wait for ever.
inline CliRun RunLayraCli(const std::string& arguments, int timeout_seconds = 0) {
  static int counter = 0;
  const std::string base =
      (std::filesystem::temp_directory_path() /
       ("layra_cli_run_" + std::to_string(::getpid()) + "_" + std::to_string(++counter)))
          .string();
  const std::string command =
      (timeout_seconds > 0 ? "timeout " + std::to_string(timeout_seconds) + " " : std::string()) +
      "'" + LAYRA_CLI_PATH + "' " + arguments + " >'" + base + ".out' 2>'" + base + ".err'";
  CliRun run;
  int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadWholeFile(base + ".out");
  run.err = ReadWholeFile(base + ".err");
  std::filesystem::remove(base + ".out");
  std::filesystem::remove(base + ".err");
  return run;
}

// A file of examples/, quoted for the shell.
inline std::string ExamplePath(const std::string& name) {
  return std::string("'") + LAYRA_EXAMPLES_DIR + "/" + name + "'";
}

}  // namespace layra::testing

#endif  // LAYRA_TESTS_SUPPORT_CLI_RUN_H_
