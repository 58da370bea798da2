#include "fileio/model_file.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "fileio/text_cursor.h"
#include "fileio/text_input.h"
#include "state/text_format.h"

namespace layra {
namespace {

// Values above this are chargeabilities given in thousandths.
constexpr float kThousandthsThreshold = 0.99f;

bool IsOneOf(char c, char lower) { return c == lower || c == lower - 'a' + 'A'; }

using ModelReader = TextCursor;

// Leaves the record so that nothing is computed from a refused file.
int Refuse(ForwardModel& model) {
  model.model.layerCount = 0;
  model.spacingCount = 0;
  model.frequencyCount = 0;
  return 1;
}

// Message for a value that the forward engine cannot use, or an empty string
// when the value is sound: "<subject> has a <quantity> of <value>!" and the
// rule broken for <rule_subject>. `subject` names where the value stands
// ("Layer 2", "Spacing 3").
std::string PositiveValueError(const std::string& subject,
                               const char* quantity,
                               const char* rule_subject,
                               float value,
                               const char* format) {
  if (std::isfinite(value) && value > 0.0f) return std::string();
  const bool finite = std::isfinite(value);
  std::string text = subject + " has a " + quantity + " of " +
                     (finite ? StrFormat(format, value) : std::string("a value out of range")) +
                     "!\nThe " + rule_subject;
  text += finite ? " must be positive!" : " must be a finite number!";
  return text;
}

std::string ChargeabilityError(int layer, float value, float as_read) {
  if (std::isfinite(value) && value < 1.0f) return std::string();
  if (!std::isfinite(value)) {
    return StrFormat(
        "Layer %d has a chargeability of a value out of range!\nThe chargeability must be a "
        "finite number!",
        layer);
  }
  return StrFormat(
      "Layer %d has a chargeability of %.3f!\nThe chargeability must be below 1\n"
      "(below 1000 when given in thousandths)!",
      layer,
      as_read);
}

std::string ExponentError(int layer, float value) {
  if (!std::isfinite(value)) {
    return StrFormat(
        "Layer %d has an exponent of a value out of range!\nThe exponent must be a finite number!",
        layer);
  }
  if (value > 0.0f && value <= 1.0f) return std::string();
  return StrFormat(
      "Layer %d has an exponent of %g!\nThe Cole-Cole exponent must be above 0 and at most 1!",
      layer,
      value);
}

// Message for a positive value outside low..high, or an empty string.
std::string RangeError(const std::string& subject,
                       const char* quantity,
                       const char* rule_subject,
                       float value,
                       float low,
                       float high,
                       const char* unit) {
  if (value >= low && value <= high) return std::string();
  return subject + " has a " + quantity + " of " + StrFormat("%g", value) + "!\nThe " +
         rule_subject + " must be between " + StrFormat("%g", low) + " and " +
         StrFormat("%g", high) + " " + unit + "!";
}

const char* KindName(DataKind kind) {
  switch (kind) {
    case DataKind::kResistivity:
      return "Resistivity model";
    case DataKind::kIp:
      return "Resistivity and IP model";
    case DataKind::kSip:
      return "Frequency domain SIP model";
  }
  return "";
}

const char* KindHeader(DataKind kind) {
  switch (kind) {
    case DataKind::kResistivity:
      return "No.   Thick    Resis.";
    case DataKind::kIp:
      return "No.   Thick    Resis.      IP";
    case DataKind::kSip:
      return "No.   Thick    Resis.        IP        Tau         C";
  }
  return "";
}

}  // namespace

bool ClassifyModelTypeLine(const std::string& line, DataKind& kind) {
  char c1 = line.size() > 0 ? line[0] : '\0';
  char c2 = line.size() > 1 ? line[1] : '\0';
  char c3 = line.size() > 2 ? line[2] : '\0';
  bool first_is_f = IsOneOf(c1, 'f');
  if (!first_is_f && (IsOneOf(c1, 'r') || IsOneOf(c2, 'r'))) {
    kind = DataKind::kResistivity;
    return true;
  }
  if (IsOneOf(c1, 'i') || IsOneOf(c2, 'i') || IsOneOf(c3, 'i')) {
    kind = DataKind::kIp;
    return true;
  }
  if (IsOneOf(c1, 's') || IsOneOf(c2, 's') || first_is_f) {
    kind = DataKind::kSip;
    return true;
  }
  return false;
}

int ReadModelFile(const std::string& path, ForwardModel& model, ListingSink& listing) {
  TextFile file = LoadTextFile(path);
  if (!AcceptLoadedFile(file, path, listing)) return Refuse(model);

  ModelReader in(file);
  auto refuse_with = [&](const std::string& text) {
    listing.Warn(text, kFormatErrorCaption);
    return Refuse(model);
  };

  // Title, number of layers and model type.
  std::string title = in.Line();
  TrimLeft(title);
  TrimRight(title);
  model.title = title;
  listing.Line(model.title);
  in.Line();
  int layers = in.Int();
  listing.Line(StrFormat("Number of layers is %d.", layers));
  if (layers < kMinForwardLayers || layers > kMaxForwardLayers) {
    return refuse_with(
        StrFormat("Your model has %d layers.\nThe number of layers must be between "
                  "%d and %d.",
                  layers,
                  kMinForwardLayers,
                  kMaxForwardLayers));
  }
  in.Line();
  std::string type_line = in.Line();
  DataKind kind = DataKind::kResistivity;
  if (!ClassifyModelTypeLine(type_line, kind)) {
    return refuse_with(
        StrFormat("Error in format for type\nof model which is given as\n%s.", type_line.c_str()));
  }
  model.modelKind = kind;
  listing.Line(KindName(kind));
  listing.Line(KindHeader(kind));

  // Layers: thickness first (none for the half-space), then the values of the kind.
  LayeredModel& layered = model.model;
  layered = LayeredModel();
  layered.layerCount = layers;
  in.Line();
  float depth = 0.0f;
  for (int k = 0; k < layers; ++k) {
    const int number = k + 1;
    const bool has_thickness = number < layers;
    float thickness = has_thickness ? in.Real() : 0.0f;
    float resistivity = in.Real();
    float chargeability_as_read = 0.0f;
    float chargeability = 0.0f;
    float time_constant = 0.0f;
    float exponent = 0.0f;
    if (kind != DataKind::kResistivity) {
      chargeability_as_read = in.Real();
      chargeability = chargeability_as_read;
      if (chargeability > kThousandthsThreshold) chargeability *= 0.001f;
    }
    if (kind == DataKind::kSip) {
      time_constant = in.Real();
      exponent = in.Real();
    }
    layered.depthTop[k] = depth;
    layered.thickness[k] = thickness;
    layered.resistivity[k] = resistivity;
    layered.chargeability[k] = chargeability;
    layered.timeConstant[k] = time_constant;
    layered.exponent[k] = exponent;
    if (has_thickness) depth += thickness;

    std::string line = has_thickness
                           ? StrFormat("%2d  %8.2f  %8.2f", number, thickness, resistivity)
                           : StrFormat("%2d               %8.2f", number, resistivity);
    if (kind != DataKind::kResistivity) line += StrFormat("   %8.2f", chargeability);
    if (kind == DataKind::kSip) line += StrFormat("   %8.2f  %8.2f", time_constant, exponent);
    // A value that is not finite is refused below with a message; the line
    // holding it is not listed.
    if (std::isfinite(thickness) && std::isfinite(resistivity) && std::isfinite(chargeability) &&
        std::isfinite(time_constant) && std::isfinite(exponent)) {
      listing.Line(line);
    }

    const std::string subject = StrFormat("Layer %d", number);
    std::string error;
    if (has_thickness)
      error = PositiveValueError(subject, "thickness", "thickness", thickness, "%.2f");
    if (error.empty())
      error = PositiveValueError(subject, "resistivity", "resistivity", resistivity, "%.2f");
    if (error.empty() && kind != DataKind::kResistivity) {
      error = ChargeabilityError(number, chargeability, chargeability_as_read);
    }
    // A layer that is not polarisable may be written with chargeability 0 and
    // time constant 0: its spectrum is its DC resistivity at every frequency.
    const bool not_polarisable = chargeability == 0.0f && time_constant == 0.0f;
    if (error.empty() && kind == DataKind::kSip && !not_polarisable) {
      error = PositiveValueError(subject, "time constant", "time constant", time_constant, "%g");
      if (error.empty()) {
        error = RangeError(subject,
                           "time constant",
                           "time constant",
                           time_constant,
                           kMinTimeConstant,
                           kMaxTimeConstant,
                           "s");
      }
      if (error.empty()) error = ExponentError(number, exponent);
    }
    if (!error.empty()) return refuse_with(error);
  }

  // Spacings: given, or generated from the first thickness up to the deepest interface.
  in.Line();
  int spacing_total = in.Int();
  if (spacing_total > 0) {
    in.Line();
    listing.Line(StrFormat("Number of spacings is %2d", spacing_total));
    int kept = 0;
    for (int i = 0; i < spacing_total; ++i) {
      // Past the end every further value would read as 0 and be dropped.
      if (i >= kMaxForwardSpacings && in.AtEnd()) break;
      float spacing = in.Real();
      if (i >= kMaxForwardSpacings) continue;
      model.spacings[i] = spacing;
      kept = i + 1;
      if (std::isfinite(spacing)) listing.Line(StrFormat("%2d   %8.3f", i + 1, spacing));
      std::string error = PositiveValueError(
          StrFormat("Spacing %d", i + 1), "value", "electrode spacing", spacing, "%.3f");
      if (!error.empty()) return refuse_with(error);
    }
    model.spacingCount = kept;
    // The kernel works on ascending spacings; a hand-written list may not be.
    bool ascending = true;
    for (int i = 1; i < kept; ++i)
      ascending = ascending && model.spacings[i - 1] <= model.spacings[i];
    if (!ascending) {
      std::vector<int> index(static_cast<size_t>(kept));
      SortWithIndex(1, kept, model.spacings.data(), index.data());
      listing.Line("Spacings sorted into ascending order.");
    }
  } else {
    int count = 0;
    float spacing = 0.25f * layered.thickness[0];
    model.spacings[count++] = spacing;
    while (count < kMaxForwardSpacings) {
      spacing = static_cast<float>(spacing * kModelStepRatio);
      if (!(spacing < depth)) break;
      model.spacings[count++] = spacing;
    }
    model.spacingCount = count;
  }

  // Frequencies of a SIP model: given, or generated from the longest time constant.
  model.frequencyCount = 0;
  if (kind == DataKind::kSip) {
    in.Line();
    int frequency_total = in.Int();
    if (frequency_total > 0) {
      listing.Line(StrFormat("Number of frequencies is %2d", frequency_total));
      int kept = 0;
      for (int i = 0; i < frequency_total; ++i) {
        if (i >= kMaxForwardFrequencies && in.AtEnd()) break;
        float frequency = in.Real();
        if (i >= kMaxForwardFrequencies) continue;
        model.frequencies[i] = frequency;
        kept = i + 1;
        if (std::isfinite(frequency)) listing.Line(StrFormat("%2d   %8.3f", i + 1, frequency));
        const std::string subject = StrFormat("Frequency %d", i + 1);
        std::string error = PositiveValueError(subject, "value", "frequency", frequency, "%g");
        if (error.empty()) {
          error = RangeError(
              subject, "value", "frequency", frequency, kMinFrequency, kMaxFrequency, "Hz");
        }
        if (!error.empty()) return refuse_with(error);
      }
      model.frequencyCount = kept;
    } else {
      float longest = layered.timeConstant[0];
      for (int k = 1; k < layers; ++k) {
        if (layered.timeConstant[k] > longest) longest = layered.timeConstant[k];
      }
      // No layer is polarisable: the spectra are flat, and the frequencies
      // start at 0.1 Hz.
      if (!(longest > 0.0f)) longest = 1.0f;
      float frequency = 0.1f / longest;
      for (int i = 0; i < kGeneratedFrequencyCount; ++i) {
        model.frequencies[i] = frequency;
        frequency = static_cast<float>(frequency * kModelStepRatio);
      }
      model.frequencyCount = kGeneratedFrequencyCount;
    }
  }

  // Array type.
  in.Line();
  std::string array_line = in.Line();
  bool schlumberger = !array_line.empty() && IsOneOf(array_line[0], 's');
  model.arrayType = schlumberger ? ArrayType::kSchlumberger : ArrayType::kWenner;
  listing.Line(Traits(model.arrayType).file_line);

  listing.Line("");
  listing.Beep();
  listing.Line(StrFormat("Reading of data file %s completed.", path.c_str()));
  return 0;
}

}  // namespace layra
