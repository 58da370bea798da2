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
  // The data-file reader keeps one line of title: a longer one would not
  // read back as written.
  if (options.title.size() > static_cast<size_t>(kLineCapacity - 1)) {
    std::cerr << "--title holds " << options.title.size()
              << " characters; a data file keeps a title of at most " << kLineCapacity - 1 << ".\n";
    return 2;
  }
  std::string text;
  std::string error;
  if (!ReadFieldSheetFile(options.sheet, &text, &error)) {
    std::cerr << error << '\n';
    return 1;
  }
  // Without --array the sheet's columns say which array it was measured with.
  std::string array_note;
  ArrayType array = ArrayType::kSchlumberger;
  if (options.array.empty() || !ArrayTypeOfName(options.array, &array)) {
    array = FieldSheetArray(text, &array_note);
  }
  auto data = std::make_unique<SoundingData>();
  if (!ParseFieldSheet(text, array, data.get(), &error)) {
    std::cerr << options.sheet << ": " << error << "\nNo data file was written.\n";
    return 1;
  }
  if (!array_note.empty()) std::cerr << "Note: " << array_note << '\n';
  for (const std::string& warning : data->warnings) std::cerr << "Warning: " << warning << '\n';
  data->title = options.title.empty() ? ImportedTitle(fs::path(options.sheet).filename().string())
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
