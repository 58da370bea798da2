// Numbers do not depend on the user's locale: read, invert (with a plot, which
// starts the GUI toolkit), show and forward give the same bytes under a
// comma-decimal locale as under the C locale.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/cli_run.h"
#include "tests/support/comma_locale.h"

namespace {

namespace fs = std::filesystem;
using layra::testing::CliRun;
using layra::testing::ExamplePath;
using layra::testing::ReadWholeFile;
using layra::testing::RunLayraCli;

// What one locale produced: the output of every command, then every file written.
std::string RunAllUnder(const std::string& locale, const fs::path& directory) {
  ::setenv("LC_ALL", locale.c_str(), 1);
  fs::create_directories(directory);
  const std::string results = (directory / "w.INV").string();
  const std::string synthetic = (directory / "s.dat").string();
  std::string outputs;
  for (const std::string& command :
       {"read " + ExamplePath("schlumberger_two_levels.dat"),
        "read --json " + ExamplePath("sip_amplitude_phase.dat"),
        "invert --json --plot '" + (directory / "w.png").string() + "' -o '" + results + "' " +
            ExamplePath("wenner.dat"),
        "invert --plot '" + (directory / "i.svg").string() + "' -o '" +
            (directory / "i.INV").string() + "' " + ExamplePath("ip_chargeability.dat"),
        "show --iteration 2 --plot '" + (directory / "s.png").string() + "' '" + results + "'",
        "show --json '" + results + "'",
        "forward --plot '" + (directory / "f.png").string() + "' -o '" + synthetic + "' " +
            ExamplePath("sip_model.mod"),
        "forward --json " + ExamplePath("ip_model.mod"),
        "read '" + synthetic + "'"}) {
    const CliRun run = RunLayraCli(command);
    // Paths differ between the two runs; everything else must not.
    outputs += command.substr(0, command.find(' ')) + " " + std::to_string(run.status) + "\n" +
               run.out + run.err;
  }
  outputs += ReadWholeFile(results) + ReadWholeFile((directory / "i.INV").string()) +
             ReadWholeFile(synthetic);
  ::unsetenv("LC_ALL");
  return outputs;
}

TEST(Locale, CommaDecimalLocaleGivesTheSameBytesAsTheCLocale) {
  const layra::testing::CommaLocale& comma = layra::testing::GetCommaLocale();
  if (comma.name.empty()) GTEST_SKIP() << comma.reason;
  const fs::path base = fs::path(::testing::TempDir()) / "layra_locale_test";
  fs::remove_all(base);
  std::string expected = RunAllUnder("C", base / "point");
  std::string got = RunAllUnder(comma.name, base / "comma");
  ASSERT_NE(expected.find("Initial Model"), std::string::npos);  // the results files were written
  for (auto* text : {&expected, &got}) {
    for (const fs::path& dir : {base / "point", base / "comma"}) {
      for (size_t at; (at = text->find(dir.string())) != std::string::npos;) {
        text->replace(at, dir.string().size(), "DIR");
      }
    }
  }
  EXPECT_EQ(expected, got);
  fs::remove_all(base);
}

}  // namespace
