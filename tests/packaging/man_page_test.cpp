// What the installed layra-cli says about itself: its version, and a manual
// page that lists every command and every option the program's help lists,
// and no other. The page is written from the help at build time; this
// catches a command or an option that the conversion misses or mangles.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/cli_run.h"

namespace {

using Options = std::set<std::string>;

// The option names of one entry's first column ("-o,--output TEXT" gives -o
// and --output); none for a positional or a command.
void AddOptionNames(const std::string& column, Options* options) {
  static const std::regex kName("(^|,)(--?[A-Za-z][A-Za-z0-9-]*)");
  for (auto it = std::sregex_iterator(column.begin(), column.end(), kName);
       it != std::sregex_iterator();
       ++it) {
    options->insert((*it)[2]);
  }
}

// The options of a --help text: its entries are the lines indented by two
// blanks, the name column first.
Options HelpOptions(const std::string& help) {
  Options options;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  -", 0) == 0) AddOptionNames(line.substr(2, line.find(' ', 2) - 2), &options);
  }
  return options;
}

// The roff of the page as text: escapes of hyphens and fonts undone.
std::string PlainRoff(std::string text) {
  text = std::regex_replace(text, std::regex(R"(\\f[BIRP]|\\[,/])"), "");
  return std::regex_replace(text, std::regex(R"(\\-)"), "-");
}

// The options of the page by command ("" for the program's own), from the
// term line after each .TP; a command's sub-section starts with
// `.SS "layra-cli NAME ...`.
std::map<std::string, Options> PageOptions(const std::string& page) {
  std::map<std::string, Options> options;
  std::string command;
  bool term = false;
  std::istringstream lines(PlainRoff(page));
  static const std::regex kCommand(R"re(^\.SS "layra-cli ([a-z-]+) )re");
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, match, kCommand)) {
      command = match[1];
      options[command];
    } else if (term) {
      AddOptionNames(line.substr(0, line.find(' ')), &options[command]);
    }
    term = line == ".TP";
  }
  return options;
}

TEST(CliVersion, IsTheProjectVersion) {
  const layra::testing::CliRun run = layra::testing::RunLayraCli("--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "layra-cli " LAYRA_PROJECT_VERSION "\n");
}

#ifdef LAYRA_CLI_MAN_PAGE
TEST(ManPage, ListsEveryCommandWithExactlyItsOptions) {
  const std::string page = layra::testing::ReadWholeFile(LAYRA_CLI_MAN_PAGE);
  ASSERT_FALSE(page.empty()) << LAYRA_CLI_MAN_PAGE;
  const std::map<std::string, Options> listed = PageOptions(page);

  const layra::testing::CliRun top = layra::testing::RunLayraCli("--help");
  ASSERT_EQ(top.status, 0) << top.err;
  std::map<std::string, Options> expected = {{"", HelpOptions(top.out)}};
  const std::string commands = top.out.substr(top.out.find("Subcommands:"));
  static const std::regex kCommandLine(R"(\n  ([a-z-]+) )");
  for (auto it = std::sregex_iterator(commands.begin(), commands.end(), kCommandLine);
       it != std::sregex_iterator();
       ++it) {
    const std::string command = (*it)[1];
    const layra::testing::CliRun help = layra::testing::RunLayraCli(command + " --help");
    ASSERT_EQ(help.status, 0) << command << "\n" << help.err;
    expected[command] = HelpOptions(help.out);
  }
  ASSERT_GT(expected.size(), 5u);
  EXPECT_TRUE(expected[""].count("--version"));
  EXPECT_EQ(listed, expected);
}

#endif  // LAYRA_CLI_MAN_PAGE

}  // namespace
