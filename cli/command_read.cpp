// layra-cli read FILE.dat [--json]: reads a sounding data file as the main
// window's "Read apparent resistivity data file" command does, printing the
// listing and, with --json, the records that were filled.

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/command_registry.h"
#include "cli/console_listing.h"
#include "cli/json_records.h"
#include "cli/json_util.h"
#include "inversion/sounding_document.h"

namespace layra::cli {
namespace {

struct ReadOptions {
  std::string path;
  bool json = false;
};

// Whether the reader gets a file to look at: a directory, device or FIFO
// exists and is not opened here (a FIFO would block); the reader says what
// it is.
bool CanOpen(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return true;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  return file != nullptr;
}

int RunRead(const ReadOptions& options) {
  if (!CanOpen(options.path)) {
    std::cerr << "Cannot open file " << options.path << '\n';
    return 1;
  }
  // With --json stdout carries only the JSON object.
  ConsoleListing listing(options.json ? &std::cerr : &std::cout, std::cerr);
  const std::unique_ptr<SoundingDocument> document = ReadSoundingDocument(options.path, listing);
  if (document == nullptr) return 1;
  if (options.json) std::cout << JsonText(SoundingToJson(*document)) << '\n';
  return 0;
}

const CommandRegistration kReadCommand(
    "read",
    10,
    "Read and check a sounding data file (.dat)",
    [](CLI::App* command) -> CommandAction {
      auto options = std::make_shared<ReadOptions>();
      command->add_option("file", options->path, "Sounding data file")->required();
      command->add_flag("--json", options->json, "Print the data read as one JSON object");
      return [options]() { return RunRead(*options); };
    });

}  // namespace
}  // namespace layra::cli
