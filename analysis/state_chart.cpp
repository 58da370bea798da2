#include "analysis/state_chart.h"

#include <algorithm>
#include <cmath>

#include "fileio/datum_levels.h"
#include "fileio/synthetic_data.h"
#include "forward/cole_cole.h"
#include "inversion/data_errors.h"
#include "state/text_format.h"

namespace layra {
namespace {

// The file's unit line as the axis names it.
std::string UnitName(const std::string& line, double fraction) {
  std::string unit;
  for (const char c : line) {
    if (c != ' ' && c != '\t') unit += c;
  }
  const std::string lower = ToLowerAscii(unit);
  if (lower == "msec" || lower == "ms") return "msec";
  if (lower == "mv/v") return "mV/V";
  if (lower == "mrad") return "mrad";
  if (lower == "permil" || lower == "permille" || unit == "\u2030") return "\u2030";
  if (lower == "%" || lower == "percent" || lower == "pct") return "%";
  if (lower == "rad") return "rad";
  return fraction < 0.5 ? "mV/V" : "V/V";
}

std::string QuantityName(IpQuantity quantity) {
  switch (quantity) {
    case IpQuantity::kChargeability:
      return "Chargeability";
    case IpQuantity::kMetalFactor:
      return "Metal factor";
    case IpQuantity::kPercentFrequencyEffect:
      return "Frequency effect";
    case IpQuantity::kPhaseAngle:
      return "Phase angle";
    case IpQuantity::kUnset:
      break;
  }
  return "IP";
}

std::vector<double> Doubles(const float* values, int count, double scale = 1.0) {
  std::vector<double> out(static_cast<size_t>(std::max(count, 0)));
  for (size_t i = 0; i < out.size(); ++i) out[i] = values[i] * scale;
  return out;
}

ChartModel ModelOf(const LayeredModel& model, bool ip, double per_unit) {
  const int layers = std::clamp(model.layerCount, 0, kMaxLayers);
  ChartModel chart;
  chart.resistivity = Doubles(model.resistivity.data(), layers);
  chart.thickness = Doubles(model.thickness.data(), std::max(layers - 1, 0));
  if (ip) chart.chargeability = Doubles(model.chargeability.data(), layers, 1.0 / per_unit);
  return chart;
}

// The raw readings of each MN/2 segment of Schlumberger data, those left out
// of the merge marked, each segment with the factor the merge scales it by
// (from a merged point of its MN/2). Without the raw readings, the merge's
// own copy of the readings it used.
std::vector<ChartSegment> SegmentsOf(const SoundingFile& file, const std::vector<bool>& left_out) {
  std::vector<ChartSegment> segments;
  const SoundingData& readings = file.readings;
  const SoundingData& data = file.data;
  if (readings.pointCount <= 0 || readings.arrayType != ArrayType::kSchlumberger) {
    for (const MeasuredSegment& segment : MeasuredSegments(data)) {
      segments.push_back(
          {segment.mn,
           std::vector<double>(segment.spacing.begin(), segment.spacing.end()),
           std::vector<double>(segment.resistivity.begin(), segment.resistivity.end()),
           {},
           0.0});
    }
    return segments;
  }
  const int n = std::clamp(readings.pointCount, 0, kPointArraySize);
  std::vector<int> order(static_cast<size_t>(n));
  for (int r = 0; r < n; ++r) order[static_cast<size_t>(r)] = r;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return readings.spacingB[a] != readings.spacingB[b]
               ? readings.spacingB[a] < readings.spacingB[b]
               : readings.spacingA[a] < readings.spacingA[b];
  });
  const std::vector<PointLevel> levels = PointLevels(data);
  const auto factor_of = [&](float mn) {
    for (size_t p = 0; p < levels.size(); ++p) {
      if (data.spacingB[p] == mn) return static_cast<double>(levels[p].factor);
    }
    return 0.0;
  };
  for (const int r : order) {
    if (segments.empty() || segments.back().mn != readings.spacingB[r]) {
      segments.push_back({readings.spacingB[r], {}, {}, {}, factor_of(readings.spacingB[r])});
    }
    ChartSegment& segment = segments.back();
    segment.spacing.push_back(readings.spacingA[r]);
    segment.resistivity.push_back(readings.apparentResistivity[r]);
    segment.leftOut.push_back(r < static_cast<int>(left_out.size()) &&
                              left_out[static_cast<size_t>(r)]);
  }
  if (segments.size() < 2) segments.clear();  // one segment: nothing was merged
  return segments;
}

}  // namespace

ChartIpUnit IpUnitOf(const SoundingData& data) {
  ChartIpUnit unit;
  if (data.dataKind == DataKind::kSip) {
    unit.name = "mV/V";
    unit.fraction = 0.001;
    unit.title = "Chargeability (mV/V)";
    return unit;
  }
  unit.fraction = IpValueScale(data);
  unit.name = UnitName(data.ipUnitText, unit.fraction);
  unit.title = QuantityName(data.ipQuantity) + " (" + unit.name + ")";
  return unit;
}

ChartIpUnit ForwardIpUnit(const ForwardModel& model) {
  SoundingData saved;
  saved.dataKind = model.modelKind == DataKind::kResistivity ? DataKind::kIp : model.modelKind;
  saved.ipQuantity = IpQuantity::kChargeability;
  saved.ipUnitText = kSyntheticIpUnit;
  return IpUnitOf(saved);
}

ChartInput StateChart(const SoundingDocument& document,
                      const SoundingRun* run,
                      const StateChartOptions& options) {
  const SoundingData& data = document.data;
  const int n = std::clamp(data.pointCount, 0, kMaxPoints);
  ChartInput chart;
  chart.title = data.title;
  chart.wenner = data.arrayType == ArrayType::kWenner;
  chart.page = options.page;
  chart.spacing = Doubles(data.spacingA.data(), n);
  chart.observed = Doubles(data.apparentResistivity.data(), n);
  for (int i = 0; i < n; ++i) chart.leftOut.push_back(document.excluded[i] != 0);
  chart.segments = SegmentsOf(document, options.leftOutReadings);
  const bool ip = data.dataKind != DataKind::kResistivity;
  const ChartIpUnit unit = IpUnitOf(data);
  if (ip) {
    chart.ipTitle = unit.title;
    // IP data are shown as read; the chargeability SIP data derive is a
    // fraction.
    chart.observedIp = Doubles(
        data.ipValue.data(), n, data.dataKind == DataKind::kSip ? 1.0 / unit.fraction : 1.0);
  }
  const int frequencies =
      data.dataKind == DataKind::kSip ? std::clamp(data.frequencyCount, 0, kMaxFrequencies) : 0;
  for (int f = 0; f < frequencies; ++f) {
    ChartSpectrum spectrum;
    spectrum.frequency = data.frequencies[f];
    for (int i = 0; i < n; ++i) {
      const size_t at = static_cast<size_t>(i) * frequencies + f;
      const float first = data.sipValue1[at];
      const float second = data.sipValue2[at];
      const bool amplitude_phase = data.sipForm == SipForm::kAmplitudePhase;
      spectrum.observedAmplitude.push_back(amplitude_phase ? first : std::hypot(first, second));
      spectrum.observedPhase.push_back(amplitude_phase ? second : PhaseMilliradians(first, second));
      if (run != nullptr && run->MadeOn(data)) {
        spectrum.calculatedAmplitude.push_back(run->outcome.calculatedAmplitude[at]);
        spectrum.calculatedPhase.push_back(run->outcome.calculatedPhase[at]);
      }
    }
    chart.spectra.push_back(std::move(spectrum));
  }
  if (run == nullptr || run->outcome.model.layerCount <= 0) return chart;
  const InversionOutcome& outcome = run->outcome;

  ChartRun shown;
  shown.label = options.runLabel;
  shown.model = ModelOf(outcome.model, ip, unit.fraction);
  // The calculated values at the points of the data the run was made on.
  const int points = std::clamp(run->PointCount(data), 0, kMaxPoints);
  shown.calculated = Doubles(outcome.calculatedResistivity.data(), points);
  if (ip) shown.calculatedIp = Doubles(outcome.calculatedIp.data(), points, 1.0 / unit.fraction);
  if (!run->MadeOn(data)) shown.spacing.assign(run->spacing.begin(), run->spacing.end());
  shown.notes.push_back(StrFormat("%s %.2f %%",
                                  outcome.settings.dataConstraint >= 1 ? "Mean error" : "RMS",
                                  100.0 * outcome.finalMisfit));
  shown.notes.push_back(StrFormat("Iteration %d", outcome.lastIteration));
  if (run->options.engine.engine == EngineKind::kAccurate && outcome.chi2 > 0.0) {
    shown.notes.push_back(StrFormat("\u03C7\u00B2/N %.2f", outcome.chi2));
  }
  if (options.uncertainty != nullptr) {
    if (options.uncertainty->few_layer) {
      for (const EquivalentModel& model : options.uncertainty->few.equivalent_models) {
        shown.equivalent.push_back({model.resistivity, model.thickness, {}});
      }
    } else {
      shown.depthOfInvestigation = options.uncertainty->smooth.doi;
    }
  }
  chart.runs.push_back(std::move(shown));
  return chart;
}

}  // namespace layra
