// layra-cli import SHEET.csv [--array wenner|schlumberger]: reads a field sheet
// (see survey/field_sheet.h for its columns and units), computes apparent
// resistivities from V and I where given, and writes the sounding as a data
// file that `read` and `invert` take. A refused sheet writes nothing.

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "fileio/same_file.h"
#include "fileio/synthetic_data.h"
#include "fileio/text_input.h"
#include "state/records.h"
#include "survey/field_sheet.h"

namespace layra::cli {
namespace {

struct ImportOptions {
  std::string sheet;
  std::string array;
  std::string output;
  std::string title;
};

int RunImport(const ImportOptions& options) {
  namespace fs = std::filesystem;
  std::string text;
  if (!ReadFileText(options.sheet, &text)) {
    std::cerr << "Cannot open the field sheet " << options.sheet << '\n';
    return 1;
  }
  // Without --array the sheet's columns say which array it was measured with.
  ArrayType array = ArrayType::kSchlumberger;
  if (options.array.empty() || !ArrayTypeOfName(options.array, &array)) {
    array = FieldSheetArray(text);
  }
  auto data = std::make_unique<SoundingData>();
  std::string error;
  if (!ParseFieldSheet(text, array, data.get(), &error)) {
    std::cerr << options.sheet << ": " << error << "\nNo data file was written.\n";
    return 1;
  }
  data->title = options.title.empty()
                    ? "Imported from " + fs::path(options.sheet).filename().string()
                    : options.title;
  const std::string output = options.output.empty()
                                 ? fs::path(options.sheet).replace_extension(".dat").string()
                                 : options.output;
  if (IsSameFile(output, options.sheet)) {
    std::cerr << "The data file " << output
              << " would replace the field sheet; name another with -o.\n";
    return 1;
  }
  if (!WriteDataFile(*data, output, &error)) {
    std::cerr << "Error Message: Cannot write the data file " << error << '\n';
    return 1;
  }
  std::cerr << data->pointCount << " readings written to " << output << '\n';
  return 0;
}

CommandRegistration registration(
    "import",
    15,
    "Turn a field sheet (CSV of spacings and readings) into a data file (.dat)",
    [](CLI::App* command) -> CommandAction {
      auto options = std::make_shared<ImportOptions>();
      command->add_option("sheet", options->sheet, "Field sheet (.csv)")->required();
      command
          ->add_option("--array",
                       options->array,
                       "Array of the readings (default: from the columns: \"a\", or AB/2 = 3 MN/2 "
                       "in every row, is Wenner)")
          ->check(CLI::IsMember(ArrayTypeNames()));
      command->add_option("-o,--output", options->output, "Data file (default: sheet name .dat)");
      command->add_option("--title", options->title, "First line of the data file");
      return [options]() { return RunImport(*options); };
    });

}  // namespace
}  // namespace layra::cli
