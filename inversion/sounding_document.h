#ifndef LAYRA_INVERSION_SOUNDING_DOCUMENT_H_
#define LAYRA_INVERSION_SOUNDING_DOCUMENT_H_

// One sounding as a user works on it: the data file as read, the points left
// out, the settings of its next run, the user's working model and every run
// made. Nothing in it is shared with another document: reading a file makes
// a fresh one, so nothing of one sounding reaches the next.

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "fileio/data_file.h"
#include "inversion/inversion_driver.h"
#include "platform/listing_sink.h"
#include "state/records.h"

namespace layra {

// A run of a document: what it was asked and how it ended.
struct SoundingRun {
  RunOptions options;
  InversionOutcome outcome;
};

struct SoundingDocument : SoundingFile {
  // Points of `data` left out of the next run (1), by position.
  std::array<unsigned char, kMaxPoints> excluded{};
  // Settings of the next run.
  InversionSettings settings;
  EngineOptions engine;
  float thicknessFactor = 1.25f;
  // The user's working model: where the next run from a model starts (the
  // file's starting model after a read).
  LayeredModel model;
  // Every run made, oldest first.
  std::vector<SoundingRun> runs;

  bool HasData() const { return data.pointCount > 0; }
  const SoundingRun* LastRun() const { return runs.empty() ? nullptr : &runs.back(); }

  // The options of the next run: automatic, or from the working model.
  RunOptions NextRunOptions(bool from_model) const;
  // Runs `options` on the data, keeps the run and takes the settings it
  // leaves (a run from a model keeps the document's data and model
  // constraints: it fits in the least-squares sense only).
  const SoundingRun& Run(const RunOptions& options,
                         RunObserver& observer,
                         const std::atomic<bool>* cancel = nullptr);
};

// Reads the data file `path` into a fresh document whose run settings start
// as `settings` and `engine`; a file with a starting model gives the working
// model and the convergence limit. Lists the file to `listing`, which also
// gets the messages. Null when the file is refused.
std::unique_ptr<SoundingDocument> ReadSoundingDocument(
    const std::string& path,
    ListingSink& listing,
    const InversionSettings& settings = InversionSettings(),
    const EngineOptions& engine = EngineOptions());

// The results file a run of `data_file` is offered: the data file's name cut
// at the last "." of its name (a "." in a folder name is not an extension),
// with `extension` (".INV"; ".INx" for a scratch run).
std::string ResultsFileFor(const std::string& data_file, const std::string& extension = ".INV");

// What the command line, a survey, the fuzz targets and the benchmarks do
// with a sounding file: read it and run it once.
struct FileRunRequest {
  // From the document's working model (the file's starting model, unless
  // the caller sets another between reading and running); refused when there
  // is none.
  bool from_model = false;
  InversionSettings settings;
  // A file with a starting model brings its convergence limit, unless the
  // request sets one.
  bool convergence_limit_set = false;
  EngineOptions engine;
  std::string results_path;  // "" for none
};

struct FileRun {
  std::unique_ptr<SoundingDocument> document;  // null when the file was refused
  std::string refusal;  // why the file was refused: the reader's message, or no file
  const SoundingRun* run() const { return document ? document->LastRun() : nullptr; }
};

// Reads `path` with the request's settings and engine (its listing is not
// shown; its messages go to `messages`); file.document is null, with the
// refusal, when the file is refused.
FileRun ReadForRun(const std::string& path, const FileRunRequest& request, ListingSink& messages);
// Runs the document read as `request` says, with `observer` and `cancel` as
// RunInversion takes them; a run from a model without one is refused.
void RunFile(FileRun& file,
             const FileRunRequest& request,
             RunObserver& observer,
             const std::atomic<bool>* cancel = nullptr);
// Both of these.
FileRun ReadAndRun(const std::string& path,
                   const FileRunRequest& request,
                   RunObserver& observer,
                   const std::atomic<bool>* cancel = nullptr);

}  // namespace layra

#endif  // LAYRA_INVERSION_SOUNDING_DOCUMENT_H_
