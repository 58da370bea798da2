#ifndef LAYRA_FILEIO_RESULTS_FILE_H_
#define LAYRA_FILEIO_RESULTS_FILE_H_

// The inversion results file (".INV"): block 0 repeats the observed data and
// the run's starting model and records the initial model, its calculated
// apparent resistivities and misfit and the two constraint kinds; one block
// per iteration follows with that iteration's model, calculated apparent
// resistivities and misfit. Misfits are written in percent. Only resistivity
// information is recorded.

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/listing_sink.h"
#include "state/records.h"

namespace layra {

// Writes one block to the results file `path`: block 0 when `iteration` is 0
// or less, which creates the file or replaces what it held, else block
// `iteration`, appended. Arrays are 0-based: `thickness` holds layer_count - 1
// thicknesses, `resistivity` layer_count resistivities; `calculated_rho`,
// `observed_rho`, `error`, `spacing_a` and `spacing_b` one value per point
// (`error` is read only when `errors` is 1, `spacing_b` only for
// Schlumberger; they may then be null). `misfit` is a fraction.
// settings.dataConstraint chooses the misfit label ("RMS error" for 0, "mean
// error" otherwise); both constraint kinds are written in block 0.
// Returns false when the file could not be written.
//
// The file never holds part of a block through a failure: block 0 is
// written beside the file and replaces it only when whole (until then an
// earlier file stays as it was), and a later block is appended in one write
// and cut off again if that write fails, so the file then ends with the
// last block written whole. With a `stream`, the file stays open in it from
// block 0 to the next block 0 or until the stream is closed.
class ResultsFileStream;
bool AppendResults(int fixed,
                   DataKind kind,
                   int errors,
                   int user_model,
                   ArrayType array_type,
                   const std::string& path,
                   int iteration,
                   int layer_count,
                   int point_count,
                   const float* thickness,
                   const float* resistivity,
                   const float* calculated_rho,
                   const float* observed_rho,
                   const float* error,
                   const float* spacing_a,
                   const float* spacing_b,
                   float misfit,
                   const std::string& title,
                   const InversionSettings& settings,
                   ResultsFileStream* stream = nullptr);

// The text AppendResults writes for one block (the same arguments, without
// the file).
std::string FormatResultsBlock(int fixed,
                               DataKind kind,
                               int errors,
                               int user_model,
                               ArrayType array_type,
                               int iteration,
                               int layer_count,
                               int point_count,
                               const float* thickness,
                               const float* resistivity,
                               const float* calculated_rho,
                               const float* observed_rho,
                               const float* error,
                               const float* spacing_a,
                               const float* spacing_b,
                               float misfit,
                               const std::string& title,
                               const InversionSettings& settings);

// FormatResultsBlock for the points of `data` and the layers of `model`,
// with the calculated apparent resistivities `calculated` (one per point).
std::string FormatResultsBlock(const SoundingData& data,
                               int fixed,
                               int user_model,
                               int iteration,
                               const LayeredModel& model,
                               const float* calculated,
                               float misfit,
                               const InversionSettings& settings);

// AppendResults for the points of `data` and the layers of `model`, with the
// calculated apparent resistivities `calculated` (one per point).
bool AppendResults(const SoundingData& data,
                   int fixed,
                   int user_model,
                   const std::string& path,
                   int iteration,
                   const LayeredModel& model,
                   const float* calculated,
                   float misfit,
                   const InversionSettings& settings,
                   ResultsFileStream* stream = nullptr);

// The results file a run keeps open between its blocks (see AppendResults).
class ResultsFileStream {
 public:
  // Checks that the results file `path` can be written (its folder exists
  // and takes new files, and an existing file is a regular file that may be
  // written) without changing or creating anything: the run's block 0
  // replaces it. On failure *reason holds the system's reason.
  bool Open(const std::string& path, std::string* reason);

  ResultsFileStream() = default;
  ResultsFileStream(const ResultsFileStream&) = delete;
  ResultsFileStream& operator=(const ResultsFileStream&) = delete;
  ~ResultsFileStream() { Close(); }

  // Closes the file if open; false when closing failed.
  bool Close();

  // Writes the text of block `iteration` of `path` as AppendResults says.
  bool WriteBlock(const std::string& path, int iteration, const std::string& text);

 private:
  int descriptor_ = -1;  // open for appending after block 0
  std::string path_;
  off_t size_ = 0;  // the file's length: the end of its last whole block
};

// The longest results file AppendResults can write, and so the longest the
// reader takes: block 0 and kMaxRunIterations iteration blocks of kMaxPoints
// points and kMaxResultsLayers layers (kMaxLayers in the starting model),
// every number at the widest a float prints in the writer's formats (39
// digits, sign, point and three decimals), with room for the labels.
constexpr long kWidestResultsNumber = 48;  // with the blanks before it
constexpr long kLongestPointLine = 8 + 4 * kWidestResultsNumber;
constexpr long kLongestLayerLine = 8 + 2 * kWidestResultsNumber;
constexpr long kMaxResultsFileLength = 2048 + 2 * kMaxPoints * kLongestPointLine +
                                       (kMaxLayers + kMaxResultsLayers) * kLongestLayerLine +
                                       kMaxRunIterations * (256 + kMaxPoints * kLongestPointLine +
                                                            kMaxResultsLayers * kLongestLayerLine);

// Reads the results file `path` into `results`, listing what it reads to
// `listing` with its messages and beeps. Returns 0 when the file was read and 1 when it was
// refused: a file that cannot be opened (no message), that is not a regular
// file, shorter than 50 bytes or of kMaxResultsFileLength bytes and more,
// with fewer than 5 or more than 90 points, a data section that does not
// hold the numbers of its points, a spacing or observed resistivity that is
// not positive (with the data-file messages), a layer count outside 1..90
// for the inverted model or 1..100 for the starting model, or a value that
// is not finite in the data, the starting model or any stored model block
// (the message names where; such a value is never listed).
//
// A block that the file ends inside (a run killed while it wrote) is not a
// result: a block is whole when every value it declares is there (the
// layers of the model, every point, the misfit, for block 0 the constraint
// kinds too) and its misfit is not cut short. An incomplete block is dropped,
// with a message, and the complete blocks before it are kept.
//
// The observed points are sorted into ascending spacing; their b spacings
// and errors move with them, and every calculated column is stored in that
// same order, so row i of each matrix belongs to spacingA[i]. At most
// kResultsColumns - 1 iteration blocks are stored; further blocks are read
// over, counted in blocksNotStored and named in the listing.
int ReadResultsFile(const std::string& path, InversionResults& results, ListingSink& listing);

}  // namespace layra

#endif  // LAYRA_FILEIO_RESULTS_FILE_H_
