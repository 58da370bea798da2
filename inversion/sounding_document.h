#ifndef LAYRA_INVERSION_SOUNDING_DOCUMENT_H_
#define LAYRA_INVERSION_SOUNDING_DOCUMENT_H_

// One sounding as a user works on it: the file as read, the points left out,
// the next run's settings, the working model and every run made. Nothing is
// shared between documents: each read makes a fresh one.

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "fileio/data_file.h"
#include "inversion/inversion_driver.h"
#include "platform/listing_sink.h"
#include "state/records.h"

namespace layra {

struct SoundingRun {  // what a run was asked and how it ended
  RunOptions options;
  InversionOutcome outcome;
  // The spacing (a) of each point of the data the run was made on, which the
  // outcome's per-point values belong to: readings left out of the merge
  // later change the document's points, not the run's. Empty: not known
  // (the document's points).
  std::vector<float> spacing;

  // The points the outcome's per-point values cover, given the document's
  // data now.
  int PointCount(const SoundingData& data) const;
  // True when the run was made on the points `data` has now.
  bool MadeOn(const SoundingData& data) const;
};

// The spacing (a) of each point of `data`.
std::vector<float> PointSpacings(const SoundingData& data);

// `run` with its calculated apparent resistivities and IP values moved to
// the points `data` has now, matched by spacing; a point the run was not made
// on gets none (not a number). For tables that list the data's points.
SoundingRun RunOnPoints(const SoundingRun& run, const SoundingData& data);

struct SoundingDocument : SoundingFile {
  std::array<unsigned char, kMaxPoints> excluded{};  // points left out (1), by position
  // Settings of the next run.
  InversionSettings settings;
  EngineOptions engine;
  float thicknessFactor = 1.25f;
  // Where the next run from a model starts (after a read, the file's model).
  LayeredModel model;
  // Oldest first. A deque, so that a run (and the reference Run returns)
  // stays where it is while later runs are added.
  std::deque<SoundingRun> runs;

  bool HasData() const { return data.pointCount > 0; }
  const SoundingRun* LastRun() const { return runs.empty() ? nullptr : &runs.back(); }

  // The options of the next run: automatic, or from the working model.
  RunOptions NextRunOptions(bool from_model) const;
  // Runs `options` on the data, keeps the run and takes the settings it
  // leaves (but the constraints, which a run from a model does not use).
  const SoundingRun& Run(const RunOptions& options,
                         RunObserver& observer,
                         const std::atomic<bool>* cancel = nullptr);
};

// Reads `path` (listed, with its messages, to `listing`) into a fresh
// document with `settings` and `engine`; a file's starting model gives the
// working model and the convergence limit. Null when the file is refused.
std::unique_ptr<SoundingDocument> ReadSoundingDocument(
    const std::string& path,
    ListingSink& listing,
    const InversionSettings& settings = InversionSettings(),
    const EngineOptions& engine = EngineOptions());

// The results file offered for a run of `data_file`: its name without the
// extension (not a "." of a folder name) plus `extension` (".INx": scratch).
std::string ResultsFileFor(const std::string& data_file, const std::string& extension = ".INV");

// What the command line, a survey, the fuzz targets and the benchmarks do
// with a sounding file: read it and run it once.
struct FileRunRequest {
  bool from_model = false;  // from the working model; refused without one
  InversionSettings settings;
  // Else a file with a starting model brings its convergence limit.
  bool convergence_limit_set = false;
  EngineOptions engine;
  std::string results_path;  // "" for none
};

struct FileRun {
  std::unique_ptr<SoundingDocument> document;  // null when the file was refused
  std::string refusal;  // why the file was refused: the reader's message, or no file
  const SoundingRun* run() const { return document ? document->LastRun() : nullptr; }
};

// Reads `path` for `request` (unlisted; messages to `messages`).
FileRun ReadForRun(const std::string& path, const FileRunRequest& request, ListingSink& messages);
// A fresh copy of `read` (a document as ReadSoundingDocument gave it, never
// run) set up for `request` as ReadForRun sets up the file it reads.
FileRun PrepareForRun(const SoundingDocument& read, const FileRunRequest& request);
// Runs the document read as `request` says (see RunInversion).
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
