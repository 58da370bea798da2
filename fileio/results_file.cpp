#include "fileio/results_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "fileio/atomic_file.h"
#include "fileio/text_cursor.h"
#include "fileio/text_input.h"
#include "state/text_format.h"

namespace layra {
namespace {

// ---------------------------------------------------------------- writing

// The text of one block, put together before any of it is written.
class BlockText {
 public:
#if defined(__GNUC__)
  __attribute__((format(printf, 2, 3)))
#endif
  void
  Write(const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(text_, format, args);
    va_end(args);
  }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

// The calculated apparent resistivity of every point, as block 0 line 22 and
// block j line 5 write it.
void WriteCalculated(BlockText& out,
                     bool second_spacing,
                     int point_count,
                     const float* calculated_rho,
                     const float* spacing_a,
                     const float* spacing_b) {
  for (int p = 0; p < point_count; ++p) {
    if (second_spacing) {
      out.Write(
          "%2d  %10.3f  %10.3f  %10.3f\n", p + 1, spacing_a[p], spacing_b[p], calculated_rho[p]);
    } else {
      out.Write("%2d  %10.3f  %10.3f\n", p + 1, spacing_a[p], calculated_rho[p]);
    }
  }
}

std::string SystemReason(int error_number) {
  return std::strerror(error_number != 0 ? error_number : EIO);
}

// Appends `text` to the file open in `descriptor` for appending, `size`
// bytes long before, in one write where the system takes it whole. When any
// part fails the file is cut back to `size`, so it never ends in part of a
// block.
bool AppendWhole(int descriptor, off_t size, const std::string& text) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(descriptor, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int reason = errno;
      static_cast<void>(::ftruncate(descriptor, size));
      errno = reason;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

// Opens `path` for appending (creating it), with its present length in *size.
int OpenForAppending(const std::string& path, off_t* size) {
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  struct stat info {};
  if (descriptor >= 0 && ::fstat(descriptor, &info) != 0) {
    ::close(descriptor);
    return -1;
  }
  *size = info.st_size;
  return descriptor;
}

// Puts block 0 in place of whatever `path` held, whole or not at all: the
// block is written beside it and renamed over it. Not waited for to reach
// the disk (fsync): a run killed or refused leaves the old file or the new
// one all the same, and a batch run again over its results would take
// milliseconds longer per file.
bool ReplaceWithBlock(const std::string& path, const std::string& text) {
  AtomicFileWriter writer(path);
  writer.set_synced(false);
  return writer.Write(text) && writer.Commit();
}

// ---------------------------------------------------------------- reading

bool StartsWith(const std::string& line, char lower) {
  return !line.empty() && (line[0] == lower || line[0] == lower - 'a' + 'A');
}

using ResultsReader = TextCursor;

// Reads the model and calculated data of one block (from the layer header to
// the misfit value) and returns the misfit in percent. With `column` >= 0 the
// values go into that column, calculated values into the row of their point
// after the sort (`row_of_point`); with `column` < 0 they are read over.
// *complete is false when the file ends before a value the block declares
// (its layers, every point, the misfit) or inside the misfit: the writer
// ends every block it finishes with the misfit (`decimals` digits after the
// point) and a line end.
float ReadModelBlock(ResultsReader& in,
                     InversionResults& results,
                     int column,
                     const std::vector<int>& row_of_point,
                     int decimals,
                     bool* complete) {
  const int layers = results.modelLayerCount;
  const bool second_spacing = Traits(results.arrayType).second_spacing;
  in.ClearRanOut();
  in.Line();  // layer header
  for (int k = 0; k < layers; ++k) {
    in.Int();  // layer number
    float resistivity = in.Real();
    float thickness = k + 1 < layers ? in.Real() : 0.0f;
    if (column >= 0) {
      results.layerResistivity[InversionResults::At(k, column)] = resistivity;
      if (k + 1 < layers) results.layerThickness[InversionResults::At(k, column)] = thickness;
    }
  }
  in.Line();  // data header
  for (int p = 0; p < results.pointCount; ++p) {
    in.Int();                       // point number
    in.Real();                      // a
    if (second_spacing) in.Real();  // b
    float calculated = in.Real();
    if (column >= 0) {
      results.calculatedResistivity[InversionResults::At(row_of_point[p], column)] = calculated;
    }
  }
  in.Line();  // misfit label
  const float misfit = in.Real();
  *complete = !in.ran_out() && in.NumberEnded(decimals);
  return misfit;
}

// True when every value of block `column` that was stored, and its misfit,
// is a finite number.
bool BlockIsFinite(const InversionResults& results, int column, float misfit) {
  bool finite = std::isfinite(misfit);
  const int layers = results.modelLayerCount;
  for (int k = 0; k < layers; ++k) {
    finite = finite && std::isfinite(results.layerResistivity[InversionResults::At(k, column)]);
    if (k + 1 < layers) {
      finite = finite && std::isfinite(results.layerThickness[InversionResults::At(k, column)]);
    }
  }
  for (int p = 0; p < results.pointCount; ++p) {
    finite =
        finite && std::isfinite(results.calculatedResistivity[InversionResults::At(p, column)]);
  }
  return finite;
}

std::string NotFiniteMessage(const std::string& what) {
  return what + " holds a value out of range!\nEvery number in the file must be finite.";
}

}  // namespace

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
                               const InversionSettings& settings) {
  const bool second_spacing = Traits(array_type).second_spacing;
  assert(layer_count <= 0 || resistivity != nullptr);
  assert(layer_count <= 1 || thickness != nullptr);
  assert(point_count <= 0 || (calculated_rho != nullptr && spacing_a != nullptr));
  assert(point_count <= 0 || !second_spacing || spacing_b != nullptr);
  BlockText out;
  const bool mean_error = settings.dataConstraint != 0;
  const float percent = misfit * 100.0f;

  if (iteration <= 0) {
    assert(point_count <= 0 || observed_rho != nullptr);
    assert(point_count <= 0 || errors != 1 || error != nullptr);
    out.Write("%s\n", title.c_str());
    out.Write("Array Type (Wenner or Schlumbeger)\n");
    out.Write("%s\n", Traits(array_type).file_line);
    out.Write("Number of data points\n");
    out.Write("%d\n", point_count);
    out.Write("Data Type (Resistivity,IP,IP)\n");
    out.Write(kind == DataKind::kSip ? "SIP\n" : kind == DataKind::kIp ? "IP\n" : "Resistivity\n");
    out.Write("Error in measurements inluded (Yes,No)\n");
    out.Write(errors == 1 ? "Yes\n" : "No\n");
    out.Write("Data Section\n");
    for (int p = 0; p < point_count; ++p) {
      if (second_spacing) {
        out.Write("%10.3f  %10.3f  %10.3f", spacing_a[p], spacing_b[p], observed_rho[p]);
      } else {
        out.Write("%10.3f  %10.3f", spacing_a[p], observed_rho[p]);
      }
      if (errors == 1) out.Write("  %10.3f", error[p]);
      out.Write("\n");
    }
    out.Write("User Starting Model Available (Yes/No)\n");
    if (user_model == 1) {
      out.Write("Yes\n");
      out.Write("Fix Parameters (Yes/No)\n");
      out.Write(fixed == 1 ? "Yes\n" : "No\n");
      out.Write("Number of model layers\n");
      out.Write("%d\n", layer_count);
      out.Write("Model Parameters\n");
      for (int k = 0; k + 1 < layer_count; ++k) {
        out.Write("%10.3f  %10.3f\n", resistivity[k], thickness[k]);
      }
      if (layer_count > 0) out.Write("%10.3f\n", resistivity[layer_count - 1]);
    } else {
      out.Write("No\n");
    }
    out.Write("Inversion results\n");
    out.Write("Initial Model\n");
    out.Write("Number of model layers\n");
    out.Write("%d\n", layer_count);
    out.Write("Layer  Resistivity  Thickness\n");
    for (int k = 0; k + 1 < layer_count; ++k) {
      out.Write("%2d  %10.3f  %10.3f\n", k + 1, resistivity[k], thickness[k]);
    }
    if (layer_count > 0) out.Write("%2d  %10.3f\n", layer_count, resistivity[layer_count - 1]);
    out.Write("Data  Spacing  App. Res.\n");
    WriteCalculated(out, second_spacing, point_count, calculated_rho, spacing_a, spacing_b);
    out.Write(mean_error ? "Initial model resistivity %% mean error\n"
                         : "Initial model resistivity %% RMS error\n");
    out.Write("%.2f\n", percent);
    out.Write("Type of data constrain\n");
    out.Write("%d\n", settings.dataConstraint);
    out.Write("Type of model constrain\n");
    out.Write("%d\n", settings.modelConstraint);
  } else {
    out.Write("Iteration %d\n", iteration);
    out.Write("Layer  Resistivity   Thickness\n");
    for (int k = 0; k + 1 < layer_count; ++k) {
      out.Write("%2d   %10.3f  %10.3f\n", k + 1, resistivity[k], thickness[k]);
    }
    if (layer_count > 0) out.Write("%2d   %10.3f\n", layer_count, resistivity[layer_count - 1]);
    out.Write("Data  Spacing  App. Res.\n");
    WriteCalculated(out, second_spacing, point_count, calculated_rho, spacing_a, spacing_b);
    out.Write(mean_error ? "Resistivity %% mean error\n" : "Resistivity %% RMS error\n");
    out.Write("%10.3f\n", percent);
  }
  return std::move(out.text());
}

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
                   ResultsFileStream* stream) {
  const std::string text = FormatResultsBlock(fixed,
                                              kind,
                                              errors,
                                              user_model,
                                              array_type,
                                              iteration,
                                              layer_count,
                                              point_count,
                                              thickness,
                                              resistivity,
                                              calculated_rho,
                                              observed_rho,
                                              error,
                                              spacing_a,
                                              spacing_b,
                                              misfit,
                                              title,
                                              settings);
  if (stream != nullptr) return stream->WriteBlock(path, iteration, text);
  ResultsFileStream once;
  return once.WriteBlock(path, iteration, text) && once.Close();
}

bool ResultsFileStream::WriteBlock(const std::string& path,
                                   int iteration,
                                   const std::string& text) {
  if (iteration <= 0) {
    // Block 0 starts the file: whatever an earlier run left there is
    // replaced only once the new block is whole on disk.
    Close();
    if (!ReplaceWithBlock(path, text)) return false;
    path_ = path;
    descriptor_ = OpenForAppending(path, &size_);
    return descriptor_ >= 0;
  }
  if (descriptor_ < 0 || path_ != path) {
    Close();
    path_ = path;
    descriptor_ = OpenForAppending(path, &size_);
    if (descriptor_ < 0) return false;
  }
  if (!AppendWhole(descriptor_, size_, text)) return false;
  size_ += static_cast<off_t>(text.size());
  return true;
}

std::string FormatResultsBlock(const SoundingData& data,
                               int fixed,
                               int user_model,
                               int iteration,
                               const LayeredModel& model,
                               const float* calculated,
                               float misfit,
                               const InversionSettings& settings) {
  return FormatResultsBlock(fixed,
                            data.dataKind,
                            data.errorsIncluded,
                            user_model,
                            data.arrayType,
                            iteration,
                            model.layerCount,
                            data.pointCount,
                            model.thickness.data(),
                            model.resistivity.data(),
                            calculated,
                            data.apparentResistivity.data(),
                            data.resistivityError.data(),
                            data.spacingA.data(),
                            data.spacingB.data(),
                            misfit,
                            data.title,
                            settings);
}

bool AppendResults(const SoundingData& data,
                   int fixed,
                   int user_model,
                   const std::string& path,
                   int iteration,
                   const LayeredModel& model,
                   const float* calculated,
                   float misfit,
                   const InversionSettings& settings,
                   ResultsFileStream* stream) {
  const std::string text =
      FormatResultsBlock(data, fixed, user_model, iteration, model, calculated, misfit, settings);
  if (stream != nullptr) return stream->WriteBlock(path, iteration, text);
  ResultsFileStream once;
  return once.WriteBlock(path, iteration, text) && once.Close();
}

bool ResultsFileStream::Open(const std::string& path, std::string* reason) {
  Close();
  // Nothing is created here: the first block replaces the file whole. A
  // file that could not be written is told now, before the run.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      *reason = "is a directory";
      return false;
    }
    if (!S_ISREG(info.st_mode)) {
      *reason = "is not a regular file";
      return false;
    }
    if (::access(path.c_str(), W_OK) != 0) {
      *reason = SystemReason(errno);
      return false;
    }
  }
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    *reason = SystemReason(errno);
    return false;
  }
  path_ = path;
  return true;
}

bool ResultsFileStream::Close() {
  const bool closed = descriptor_ < 0 || ::close(descriptor_) == 0;
  descriptor_ = -1;
  size_ = 0;
  path_.clear();
  return closed;
}

int ReadResultsFile(const std::string& path, InversionResults& results, ListingSink& listing) {
  results.iterationCount = 0;
  results.blocksNotStored = 0;
  results.modelLayerCount = 0;
  TextFile file = LoadTextFile(path, kMaxResultsFileLength);
  if (!AcceptLoadedFile(file, path, listing)) {
    results.pointCount = 0;
    return 1;
  }
  listing.Line(StrFormat("File length %d", static_cast<int>(file.length)));
  ResultsReader in(file);
  // A layer count outside the arrays: the points read so far stay.
  auto refuse_layers = [&](const std::string& text) {
    listing.Warn(text, kFormatErrorCaption);
    return 1;
  };
  auto refuse_data = [&](const std::string& text) {
    listing.Warn(text, kFormatErrorCaption);
    results.pointCount = 0;
    return 1;
  };

  // Block 0, lines 1 to 11: the observed data, read like a data file.
  std::string title = in.Line();
  TrimLeft(title);
  TrimRight(title);
  results.title = title;
  listing.Line(results.title);
  in.Line();
  results.arrayType = ArrayTypeOfFileLine(in.Line());
  const bool second_spacing = Traits(results.arrayType).second_spacing;
  listing.Line(Traits(results.arrayType).file_line);
  in.Line();
  const int n = in.Int();
  listing.Line(StrFormat("Number of datum points is %d", n));
  // A results file holds the points left after overlapping datum levels were
  // merged, which may be fewer than a data file needs: take every count the
  // inversion writes.
  if (n < 1) {
    return refuse_data(
        StrFormat("Your data set has %d data points.\nThe minimum number of data points is 1.", n));
  }
  if (n > kMaxDataPoints) {
    return refuse_data(StrFormat(
        "Your data set has %d data points.\nThe maximum number of data points is 90.", n));
  }
  results.pointCount = n;
  in.Line();
  std::string kind_line = in.Line();
  if (StartsWith(kind_line, 's')) {
    results.dataKind = DataKind::kSip;
    listing.Line("Spectral IP data");
  } else if (StartsWith(kind_line, 'i')) {
    results.dataKind = DataKind::kIp;
    listing.Line("I.P. data");
  } else {
    results.dataKind = DataKind::kResistivity;
    listing.Line("Resistivity data");
  }
  in.Line();
  results.errorsIncluded = StartsWith(in.Line(), 'y') ? 1 : 0;
  listing.Line(results.errorsIncluded ? "Error in measurements included"
                                      : "Error in measurements not available.");
  in.Line();  // "Data Section"
  listing.Line("No.   Spac.  App. Res.");
  // A file that claims more points than it holds would take the numbers of
  // the following sections for its points.
  const int per_point = (second_spacing ? 3 : 2) + (results.errorsIncluded ? 1 : 0);
  const NumberSection section = in.ScanSection();
  if (!section.Holds(n * per_point) || !section.not_a_number.empty()) {
    return refuse_data(StrFormat(
        "The data section holds %d numbers instead of %d!\n%d data points of %d numbers each "
        "need %d: a value is missing or extra.%s",
        section.numbers,
        n * per_point,
        n,
        per_point,
        n * per_point,
        section.not_a_number.empty() ? ""
                                     : StrFormat("\nLine %d holds \"%s\", which is not a number.",
                                                 section.line,
                                                 section.not_a_number.c_str())
                                           .c_str()));
  }
  for (int p = 0; p < n; ++p) {
    const float a = in.Real();
    const float b = second_spacing ? in.Real() : 0.0f;
    const float rho = in.Real();
    const float err = results.errorsIncluded ? in.Real() : 0.0f;
    results.spacingA[p] = a;
    results.spacingB[p] = b;
    results.apparentResistivity[p] = rho;
    results.resistivityError[p] = err;
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(rho) || !std::isfinite(err)) {
      return refuse_data(NotFiniteMessage(StrFormat("Data point number %d", p + 1)));
    }
    listing.Line(results.errorsIncluded ? StrFormat("%2d  %8.2f  %8.2f  %8.2f", p + 1, a, rho, err)
                                        : StrFormat("%2d  %8.2f  %8.2f", p + 1, a, rho));
    if (!(a > 0.0f)) {
      return refuse_data(StrFormat(
          "Data point number %d has a spacing of %.2f!\nThe electrode spacing must be positive!",
          p + 1,
          a));
    }
    if (!(rho > 0.0f)) {
      return refuse_data(StrFormat(
          "Data point number %d has a resistivity of %.2f!\nThe apparent resistivity must be "
          "positive!",
          p + 1,
          rho));
    }
  }

  // Ascending spacing order. b and the errors move with their points, and
  // every calculated column read below is stored through the same
  // permutation, so each calculated value stays with its spacing whatever
  // order the file was written in (a merged Schlumberger set is written
  // level by level, not in ascending a).
  std::vector<int> index(static_cast<size_t>(n));
  std::vector<float> scratch(static_cast<size_t>(n));
  SortWithIndex(1, n, results.spacingA.data(), index.data());
  ApplyPermutation(results.apparentResistivity.data(), n, scratch.data(), index.data());
  ApplyPermutation(results.spacingB.data(), n, scratch.data(), index.data());
  ApplyPermutation(results.resistivityError.data(), n, scratch.data(), index.data());
  std::vector<int> row_of_point(static_cast<size_t>(n));
  for (int row = 0; row < n; ++row) row_of_point[static_cast<size_t>(index[row] - 1)] = row;

  // Block 0, lines 12 to 14: the run's starting model.
  in.Line();
  results.userModelAvailable = StartsWith(in.Line(), 'y') ? 1 : 0;
  LayeredModel& start = results.startingModel;
  if (results.userModelAvailable) {
    listing.Line("User Starting model available.");
    in.Line();
    results.someParametersFixed = StartsWith(in.Line(), 'y') ? 1 : 0;
    listing.Line(results.someParametersFixed ? "Some parameters fixed." : "No parameters fixed.");
    const int layers = in.Int();
    listing.Line(StrFormat("Number of model layers is %d.", layers));
    // The starting model arrays hold kMaxLayers layers.
    if (layers < 1 || layers > kMaxLayers) {
      start.layerCount = 0;
      return refuse_layers(
          StrFormat("The starting model has %d layers.\nThe number of model layers must be "
                    "between 1 and %d.",
                    layers,
                    kMaxLayers));
    }
    start.layerCount = layers;
    listing.Line("Resistivity  Thickness");
    in.Line();  // "Model Parameters"
    float depth = 0.0f;
    for (int k = 0; k < layers; ++k) {
      start.depthTop[k] = depth;
      start.resistivity[k] = in.Real();
      if (k + 1 < layers) start.thickness[k] = in.Real();
      if (!std::isfinite(start.resistivity[k]) || !std::isfinite(start.thickness[k])) {
        start.layerCount = 0;
        return refuse_data(NotFiniteMessage("The starting model"));
      }
      if (k + 1 < layers) {
        depth += start.thickness[k];
        listing.Line(StrFormat("%10.3f %10.3f", start.resistivity[k], start.thickness[k]));
      } else {
        start.thickness[k] = 0.0f;
        listing.Line(StrFormat("%10.3f", start.resistivity[k]));
      }
    }
  } else {
    results.someParametersFixed = 0;
    start.layerCount = 0;
  }

  if (StartsWith(in.Line(), 'i')) {
    // Block 0, lines 16 to 28: the initial model.
    listing.Line("Inversion results present.");
    in.Line();
    in.Line();
    const int layers = in.Int();
    listing.Line(StrFormat("Number of model layers is %d.", layers));
    if (layers <= 0 || layers > kMaxResultsLayers) {
      return refuse_layers(
          StrFormat("The inversion results have %d model layers.\nThe number of model layers "
                    "must be between 1 and %d.",
                    layers,
                    kMaxResultsLayers));
    }
    // Where the file ends inside a block, that block is dropped and said so.
    auto drop_incomplete = [&](const std::string& block) {
      const std::string text = StrFormat(
          "The last block of results file %s (%s) is incomplete:\nthe run that wrote "
          "it did not finish it. The block was dropped.",
          path.c_str(),
          block.c_str());
      listing.Line(StrFormat("%s is incomplete and was dropped.", block.c_str()));
      listing.Warn(text, "Incomplete Results File");
    };
    results.modelLayerCount = layers;
    bool complete = true;
    float misfit = ReadModelBlock(in, results, 0, row_of_point, 2, &complete);
    if (complete) {
      in.Line();
      results.dataConstraint = in.Int();
      in.Line();
      results.modelConstraint = in.Int();
      complete = !in.ran_out();
    }
    if (!complete) {
      results.modelLayerCount = 0;
      drop_incomplete("the initial model");
      listing.Beep();
      listing.Line(StrFormat("Reading of data file %s completed.", path.c_str()));
      return 0;
    }
    if (!BlockIsFinite(results, 0, misfit)) {
      results.modelLayerCount = 0;
      return refuse_data(NotFiniteMessage("The initial model"));
    }
    results.misfit[0] = misfit * 0.01f;
    listing.Line(StrFormat("Initial model apparent resistivity error %.2f%%.", misfit));

    // Iteration blocks, as many as there are; those beyond the capacity of
    // the matrices are read over and counted. An incomplete block is the
    // last one there is.
    while (complete && StartsWith(in.Line(), 'i')) {
      const int column = results.iterationCount + 1;
      if (column < kResultsColumns) {
        // The block goes into the next column, which counts only once the
        // block is complete.
        misfit = ReadModelBlock(in, results, column, row_of_point, 3, &complete);
        if (!complete) {
          drop_incomplete(StrFormat("iteration %d", column));
          break;
        }
        if (!BlockIsFinite(results, column, misfit)) {
          results.iterationCount = 0;
          return refuse_data(NotFiniteMessage(StrFormat("Iteration %d", column)));
        }
        results.iterationCount = column;
        results.misfit[column] = misfit * 0.01f;
        listing.Line(StrFormat(
            "Iteration %d apparent resistivity error %.2f%%.", results.iterationCount, misfit));
      } else {
        ReadModelBlock(in, results, -1, row_of_point, 3, &complete);
        if (!complete) {
          drop_incomplete(StrFormat("iteration %d", column + results.blocksNotStored));
          break;
        }
        ++results.blocksNotStored;
      }
    }
    if (results.blocksNotStored > 0) {
      listing.Line(StrFormat("%d further iteration blocks not stored (capacity %d iterations).",
                             results.blocksNotStored,
                             kResultsColumns - 1));
    }
  }

  listing.Beep();
  listing.Line(StrFormat("Reading of data file %s completed.", path.c_str()));
  return 0;
}

}  // namespace layra
