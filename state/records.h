#ifndef LAYRA_STATE_RECORDS_H_
#define LAYRA_STATE_RECORDS_H_

// The records every module of LAYRA works on: the observed sounding, layered
// models, the inversion settings, the results re-read for display and the
// forward-modelling case. Storage is fixed-capacity and zero-filled at
// construction; nothing is resized when a file is read. Every stored real is a
// 32-bit float, counts, codes and flags are 32-bit ints, flags are 1 or 0.
// Arrays are held 0-based here; the numerical code that thinks 1-based does
// its own index arithmetic.

#include <array>
#include <string>
#include <vector>

#include "state/array_type.h"
#include "state/engine_options.h"
#include "state/fit_report.h"

namespace layra {

// Capacities of the program.
constexpr int kMaxPoints = 100;       // data points held
constexpr int kPointArraySize = 200;  // entries 100..199: merge scratch copy
constexpr int kMinDataPoints = 5;     // accepted in a data or results file
constexpr int kMaxDataPoints = 90;
constexpr int kMaxFrequencies = 32;    // SIP frequencies held
constexpr int kMinSipFrequencies = 4;  // accepted in a data file
constexpr int kMaxSipFrequencies = 20;
constexpr int kSipValueSize = kMaxPoints * kMaxFrequencies;
constexpr int kMaxDatumLevels = 20;
constexpr int kMaxLayers = 100;       // model layers held
constexpr int kMinForwardLayers = 2;  // accepted in a forward model file
constexpr int kMaxForwardLayers = 20;
constexpr int kMaxResultsLayers = 90;  // accepted in a results file
constexpr int kMaxForwardSpacings = 64;
constexpr int kMaxForwardFrequencies = 64;
constexpr int kForwardSipSize = kMaxForwardSpacings * kMaxForwardFrequencies;
constexpr int kLineCapacity = 80;  // line buffer; 79 characters are kept
// Columns of the results matrices: the initial model and up to 25 iterations,
// the most a run can write, so every file this program writes reads back whole.
constexpr int kResultsColumns = 26;
constexpr int kMaxRunIterations = 25;

enum class DataKind : int {
  kResistivity = 0,
  kIp = 1,
  kSip = 2,
};

enum class IpQuantity : int {
  kUnset = 0,
  kChargeability = 1,
  kMetalFactor = 2,
  kPercentFrequencyEffect = 3,
  kPhaseAngle = 4,
};

enum class SipForm : int {
  kInphaseOutphase = 0,
  kAmplitudePhase = 1,
};

template <int N>
using FloatArray = std::array<float, N>;

// The observed data set, filled by the data-file reader.
struct SoundingData {
  std::string title;         // first line of the file, trimmed, at most 79 characters
  std::string dataFileName;  // full path of the data file last read
  ArrayType arrayType = ArrayType::kWenner;
  DataKind dataKind = DataKind::kResistivity;
  int pointCount = 0;        // points in use: 5..90 after a read, 0 after a refusal
  int pointCountAsRead = 0;  // points in the file before merging
  int errorsIncluded = 0;
  FloatArray<kPointArraySize> spacingA{};  // Wenner a; Schlumberger first spacing (m)
  FloatArray<kPointArraySize> spacingB{};  // Schlumberger second spacing; equal b = one level
  FloatArray<kPointArraySize> apparentResistivity{};  // ohm-m
  FloatArray<kPointArraySize> resistivityError{};
  FloatArray<kPointArraySize> ipValue{};  // in the file's own unit; for SIP the derived drop
  FloatArray<kPointArraySize> ipError{};
  IpQuantity ipQuantity = IpQuantity::kUnset;
  std::string ipQuantityText;  // IP quantity line as it stands in the file
  std::string ipUnitText;      // IP unit line as it stands in the file
  float ipParameter1 = 0.0f;
  float ipParameter2 = 0.0f;
  int frequencyCount = 0;
  FloatArray<kMaxFrequencies> frequencies{};  // Hz, file order
  SipForm sipForm = SipForm::kInphaseOutphase;
  // Pair for point p and frequency f (both 0-based) at p * frequencyCount + f.
  FloatArray<kSipValueSize> sipValue1{};
  FloatArray<kSipValueSize> sipValue2{};
  int datumLevelCount = 0;
  std::array<int, kMaxDatumLevels> pointsPerLevel{};
  std::array<int, kMaxDatumLevels> overlapCount{};  // entry k-1: level k vs k-1
  FloatArray<kMaxDatumLevels> levelShiftFactor{};   // mean rho(k-1)/rho(k), 1 if none
  // Findings of the checks made after reading (readings no layered earth
  // explains, weak datum-level merges); the data are used all the same.
  std::vector<std::string> warnings;
};

// A horizontally layered earth: layer 1 on top, the last layer a half-space.
struct LayeredModel {
  int layerCount = 0;
  FloatArray<kMaxLayers> resistivity{};    // ohm-m
  FloatArray<kMaxLayers> thickness{};      // layers 1..layerCount-1
  FloatArray<kMaxLayers> depthTop{};       // 0, then running sum of thicknesses
  FloatArray<kMaxLayers> chargeability{};  // fraction
  FloatArray<kMaxLayers> timeConstant{};   // Cole-Cole tau, seconds
  FloatArray<kMaxLayers> exponent{};       // Cole-Cole c
};

struct InversionSettings {
  float initialDampingFactor = 0.1f;
  float minimumDampingFactor = 0.01f;
  int iterationLimit = 8;          // number of iterations
  float convergenceLimit = 0.02f;  // a fraction
  int dataConstraint = 0;   // 0 standard least squares ("RMS error"), else robust ("mean error")
  int modelConstraint = 0;  // 0 standard, else robust
  float dataCutoff = 0.001f;
  float modelCutoff = 0.001f;
  int additionalIterations = 0;  // answer of the additional-iterations prompt
};

// A results file re-read for display. Matrices are column-major with a fixed
// row stride of kMaxPoints: element (row i, column k), both 0-based, at
// i + k * kMaxPoints. Column 0 is the initial model, column j iteration j.
struct InversionResults {
  std::string title;
  ArrayType arrayType = ArrayType::kWenner;
  DataKind dataKind = DataKind::kResistivity;
  int pointCount = 0;
  int errorsIncluded = 0;
  FloatArray<kMaxPoints> spacingA{};
  FloatArray<kMaxPoints> spacingB{};
  FloatArray<kMaxPoints> apparentResistivity{};
  FloatArray<kMaxPoints> resistivityError{};
  int userModelAvailable = 0;
  int someParametersFixed = 0;
  LayeredModel startingModel;  // layerCount, resistivity, thickness, depthTop
  int modelLayerCount = 0;
  int iterationCount = 0;
  int blocksNotStored = 0;  // iteration blocks found beyond the capacity
  FloatArray<kMaxPoints * kResultsColumns> layerResistivity{};
  FloatArray<kMaxPoints * kResultsColumns> layerThickness{};
  FloatArray<kMaxPoints * kResultsColumns> calculatedResistivity{};
  FloatArray<kResultsColumns> misfit{};  // fractions
  int dataConstraint = 0;
  int modelConstraint = 0;

  static constexpr int At(int row, int column) { return row + column * kMaxPoints; }
};

// What the forward-modelling window works on.
struct ForwardModel {
  std::string title;
  DataKind modelKind = DataKind::kResistivity;
  LayeredModel model;  // 2..20 layers
  int spacingCount = 0;
  FloatArray<kMaxForwardSpacings> spacings{};
  int frequencyCount = 0;
  FloatArray<kMaxForwardFrequencies> frequencies{};
  ArrayType arrayType = ArrayType::kWenner;
  FloatArray<kMaxForwardSpacings> calcResistivity{};
  FloatArray<kMaxForwardSpacings> calcIp{};  // fraction
  // Spectral results, frequency-major: spacing i, frequency k at i + k * spacingCount.
  FloatArray<kForwardSipSize> amplitude{};
  FloatArray<kForwardSipSize> phase{};  // milliradians
  FloatArray<kForwardSipSize> real{};
  FloatArray<kForwardSipSize> imaginary{};
  SipForm outputSipForm = SipForm::kAmplitudePhase;
  // What the last calculation wants the user to know about its values (for
  // instance that the filter's guard replaced values); shown in the listing,
  // as a message and in JSON.
  std::vector<std::string> warnings;
};

// How an inversion run ended.
enum class RunStatus : int {
  kCompleted = 0,  // ran to the end of its stages
  kCancelled = 1,  // asked to stop; the iterations finished before are kept
  kFailed = 2,     // refused or stopped by an error; runMessage says why
};

// Why the resistivity stage of a run stopped iterating.
enum class StopReason : int {
  kConverged = 0,       // the misfit met the convergence limit (or the engine's target)
  kIterationLimit = 1,  // every iteration allowed was made
  kNoImprovement = 2,   // no step lowers the misfit any more
  kCancelled = 3,       // asked to stop between iterations
  kFailed = 4,          // refused or stopped by an error
  kAboveTarget = 5,     // the least misfit the engine can reach is above its target
};

// What an inversion run left: how it ended, its final model and settings,
// the calculated values and the misfits.
struct InversionOutcome {
  RunStatus runStatus = RunStatus::kCompleted;
  StopReason stopReason = StopReason::kFailed;
  std::string runMessage;   // the message that ended a failed or cancelled run
  std::string resultsFile;  // the results file written and kept; "" when none
  // The working model (the final one of a completed run, with its IP and
  // Cole-Cole parameters) and settings as the run left them (the questions
  // may change the limits; the data constraint is reset to standard).
  LayeredModel model;
  InversionSettings settings;
  int lastIteration = 0;
  float finalMisfit = 0.0f;  // resistivity misfit, a fraction
  float finalIpMisfit = 0.0f;
  float finalSipMisfit = 0.0f;  // sum of squared amplitude and phase residuals
  // Accurate engine: error-weighted misfit chi^2 / N of the resistivity stage
  // and, for automatic runs, the roughness weight of the last iteration.
  double chi2 = 0.0;
  double regularisation = 0.0;
  FloatArray<kPointArraySize> calculatedResistivity{};
  FloatArray<kPointArraySize> calculatedIp{};
  // Calculated SIP amplitude and phase, point-major like the observed arrays.
  FloatArray<kSipValueSize> calculatedAmplitude{};
  FloatArray<kSipValueSize> calculatedPhase{};
  FloatArray<kPointArraySize> fittedTimeConstant{};  // per data point
  FloatArray<kPointArraySize> fittedExponent{};
  std::array<float, kMaxRunIterations + 1> misfits{};  // one per resistivity iteration
  // Warnings about the run's results, as for ForwardModel::warnings.
  std::vector<std::string> warnings;
  // Accurate engine: how the resistivity fit ended.
  FitReport fit;
};

}  // namespace layra

#endif  // LAYRA_STATE_RECORDS_H_
