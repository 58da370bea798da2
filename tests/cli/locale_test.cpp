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

// What one locale produced: the output of every command and every file written.
struct Outputs {
  std::string text;
  std::string results_file;
  std::string synthetic_file;
};

Outputs RunAllUnder(const std::string& locale, const fs::path& directory) {
  ::setenv("LC_ALL", locale.c_str(), 1);
  fs::create_directories(directory);
  const std::string results = (directory / "w.INV").string();
  const std::string synthetic = (directory / "s.dat").string();
  Outputs outputs;
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
    outputs.text += command.substr(0, command.find(' ')) + " " + std::to_string(run.status) + "\n" +
                    run.out + run.err;
  }
  outputs.results_file = ReadWholeFile(results) + ReadWholeFile((directory / "i.INV").string());
  outputs.synthetic_file = ReadWholeFile(synthetic);
  ::unsetenv("LC_ALL");
  return outputs;
}

TEST(Locale, CommaDecimalLocaleGivesTheSameBytesAsTheCLocale) {
  const layra::testing::CommaLocale& comma = layra::testing::GetCommaLocale();
  if (comma.name.empty()) GTEST_SKIP() << comma.reason;
  const fs::path base = fs::path(::testing::TempDir()) / "layra_locale_test";
  fs::remove_all(base);
  const Outputs c = RunAllUnder("C", base / "point");
  const Outputs german = RunAllUnder(comma.name, base / "comma");
  ASSERT_NE(c.results_file.find("Iteration"), std::string::npos);
  EXPECT_EQ(c.results_file, german.results_file);
  EXPECT_EQ(c.synthetic_file, german.synthetic_file);
  std::string expected = c.text;
  std::string got = german.text;
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
