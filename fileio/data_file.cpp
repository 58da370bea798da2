#include "fileio/data_file.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "fileio/data_checks.h"
#include "fileio/datum_levels.h"
#include "fileio/text_cursor.h"
#include "fileio/text_input.h"
#include "state/text_format.h"

namespace layra {
namespace {

constexpr char kDataCaption[] = "Data Error";
constexpr char kLevelsCaption[] = "Datum levels error";

// Starting models hold at most this many layers.
constexpr int kMinStartingLayers = 1;
constexpr int kMaxStartingLayers = kMaxLayers;

// Chargeabilities above this are taken to be in thousandths.
constexpr float kLargestFractionalChargeability = 0.95f;

bool IsYes(const std::string& answer) {
  return !answer.empty() && (answer[0] == 'Y' || answer[0] == 'y');
}

IpQuantity ClassifyIpQuantity(const std::string& text) {
  auto at = [&text](size_t k) -> char { return k < text.size() ? text[k] : '\0'; };
  auto is = [](char c, char lower) { return c == lower || c == lower - 'a' + 'A'; };
  for (size_t k = 0; k < 3; ++k) {
    if (is(at(k), 'm')) return IpQuantity::kMetalFactor;
  }
  for (size_t k = 0; k < 3; ++k) {
    if (!is(at(k), 'p')) continue;
    for (size_t h = 1; h < 4; ++h) {
      if (is(at(h), 'h')) return IpQuantity::kPhaseAngle;
    }
    return IpQuantity::kPercentFrequencyEffect;
  }
  return IpQuantity::kChargeability;
}

const char* IpQuantityLine(IpQuantity quantity) {
  switch (quantity) {
    case IpQuantity::kMetalFactor:
      return "IP values given in terms of metal factor";
    case IpQuantity::kPhaseAngle:
      return "IP values given in terms of Phase Angle";
    case IpQuantity::kPercentFrequencyEffect:
      return "IP values given in terms of Percent Frequency Effect";
    default:
      return "IP values given in terms of chargeability";
  }
}

// Walks the loaded file once, in the order of the format, filling the state
// and listing what it reads. Every Read* step returns false after it has shown
// the message of a refusal.
class DataFileReader {
 public:
  DataFileReader(const TextFile& file, SoundingFile& out, ListingSink& sink)
      : in_(file), out_(out), data_(out.data), sink_(sink) {}

  bool Read() {
    if (!ReadHeader() || !ReadKindSection() || !ReadPoints()) return false;
    out_.readings = data_;
    return Reorder() && ReadStartingModel();
  }

 private:
  std::string Line() { return in_.Line(); }
  int Int() { return in_.Int(); }
  float Real() { return in_.Real(); }

  bool Refuse(const std::string& text, const char* caption = kFormatErrorCaption) {
    if (reading_starting_model_) {
      starting_model_problem_ = text;
      return false;
    }
    sink_.Warn(text, caption);
    return false;
  }
  // Refuses a value that is not a finite number; `what` names it.
  bool CheckFinite(float value, const std::string& what) {
    if (std::isfinite(value)) return true;
    return Refuse(what + " is out of range!\nEvery number in the file must be finite.");
  }

  bool ReadHeader() {
    std::string title = Line();
    TrimLeft(title);
    TrimRight(title);
    data_.title = title;
    sink_.Line(title);

    Line();  // array type label
    std::string array_line = Line();
    char first = array_line.empty() ? '\0' : array_line[0];
    data_.arrayType = ArrayTypeOfFileLine(array_line);
    // Another array named in words (Dipole-dipole, Pole-pole, ...) is not
    // taken for Schlumberger: its apparent resistivities mean something else.
    if (std::isalpha(static_cast<unsigned char>(first)) && data_.arrayType != ArrayType::kWenner &&
        first != 'S' && first != 's') {
      return Refuse(
          StrFormat("The array type \"%s\" is not known.\nThe array must be Wenner or "
                    "Schlumberger.",
                    array_line.c_str()));
    }
    sink_.Line(Traits(data_.arrayType).file_line);

    Line();  // number of points label
    point_count_ = Int();
    sink_.Line(StrFormat("Number of datum points is %d", point_count_));
    if (point_count_ < kMinDataPoints) {
      return Refuse(
          StrFormat("Your data set has %d data points.\nThe minimum number of data points is 5.",
                    point_count_));
    }
    if (point_count_ > kMaxDataPoints) {
      return Refuse(
          StrFormat("Your data set has %d data points.\nThe maximum number of data points is 90.",
                    point_count_));
    }
    return true;
  }

  bool ReadKindSection() {
    Line();  // data type label
    std::string kind_line = Line();
    char first = kind_line.empty() ? '\0' : kind_line[0];
    if (first == 'S' || first == 's') {
      data_.dataKind = DataKind::kSip;
    } else if (first == 'I' || first == 'i') {
      data_.dataKind = DataKind::kIp;
    } else {
      data_.dataKind = DataKind::kResistivity;
    }
    sink_.Line(kind_line);
    if (data_.dataKind == DataKind::kIp) return ReadIpSection();
    if (data_.dataKind == DataKind::kSip) return ReadSipSection();
    sink_.Line("Resistivity data");
    return true;
  }

  bool ReadIpSection() {
    data_.ipQuantityText = Line();
    data_.ipUnitText = Line();
    data_.ipParameter1 = Real();
    data_.ipParameter2 = Real();
    data_.ipQuantity = ClassifyIpQuantity(data_.ipQuantityText);
    sink_.Line(IpQuantityLine(data_.ipQuantity));
    sink_.Line("I.P. data");
    if (!CheckFinite(data_.ipParameter1, "The first IP measurement parameter") ||
        !CheckFinite(data_.ipParameter2, "The second IP measurement parameter")) {
      return false;
    }
    if (data_.ipQuantity == IpQuantity::kPercentFrequencyEffect &&
        !(data_.ipParameter1 > 0.0f && data_.ipParameter2 > data_.ipParameter1)) {
      return Refuse("There is an error in value for IP measurement frequency values!",
                    kDataCaption);
    }
    return true;
  }

  bool ReadSipSection() {
    Line();  // frequency domain label
    Line();  // number of frequencies label
    int count = Int();
    if (count > kMaxSipFrequencies || count < kMinSipFrequencies) {
      return Refuse(
          StrFormat("Your data set has %d frequencies.\nIt must be between 4 and 20.", count));
    }
    data_.frequencyCount = count;
    Line();  // frequency values label
    for (int f = 0; f < count; ++f) data_.frequencies[f] = Real();
    Line();  // SIP type label
    std::string form_line = Line();
    char first = form_line.empty() ? '\0' : form_line[0];
    data_.sipForm =
        (first == 'A' || first == 'a') ? SipForm::kAmplitudePhase : SipForm::kInphaseOutphase;

    sink_.Line(StrFormat("Spectral IP data with %d frequencies", count));
    for (int f = 0; f < count; ++f) {
      // A frequency that is not finite is refused below, not listed.
      if (std::isfinite(data_.frequencies[f])) {
        sink_.Line(StrFormat("%2d %10.4f", f + 1, data_.frequencies[f]));
      }
    }
    sink_.Line(data_.sipForm == SipForm::kAmplitudePhase ? "Amplitude and phase data"
                                                         : "In-phase and out-phase data");
    // SIP curves are fitted and drawn on logarithmic frequency axes.
    for (int f = 0; f < count; ++f) {
      float frequency = data_.frequencies[f];
      if (!CheckFinite(frequency, StrFormat("Frequency number %d", f + 1))) return false;
      if (!(frequency > 0.0f)) {
        return Refuse(StrFormat(
            "Frequency number %d is %.4f!\nThe frequencies must be positive!", f + 1, frequency));
      }
    }
    return true;
  }

  bool ReadPoints() {
    Line();  // errors label
    std::string errors_line = Line();
    data_.errorsIncluded = IsYes(errors_line) ? 1 : 0;
    sink_.Line(data_.errorsIncluded ? "Error in measurements included"
                                    : "Error in measurements not available.");
    Line();  // data section label

    const bool second_spacing = Traits(data_.arrayType).second_spacing;
    const bool errors = data_.errorsIncluded != 0;
    std::string header = Traits(data_.arrayType).point_header;
    if (data_.dataKind == DataKind::kIp) header += "   App. I.P.";
    sink_.Line(header);
    if (!CheckPointSection(second_spacing, errors)) return false;

    for (int i = 0; i < point_count_; ++i) {
      if (!ReadPoint(i, second_spacing, errors)) return false;
    }
    data_.pointCountAsRead = point_count_;
    data_.pointCount = point_count_;
    return true;
  }

  // The numbers read for the points are taken one after another wherever
  // they stand, so a missing or extra value would shift every later one into
  // the wrong place: the section must hold exactly the numbers its points
  // need, and no value written as "nan" or "inf".
  bool CheckPointSection(bool second_spacing, bool errors) {
    int per_point = (second_spacing ? 3 : 2) + (errors ? 1 : 0);
    if (data_.dataKind == DataKind::kIp) per_point += errors ? 2 : 1;
    if (data_.dataKind == DataKind::kSip) per_point += 2 * data_.frequencyCount;
    const NumberSection section = in_.ScanSection();
    if (!section.not_a_number.empty()) {
      return Refuse(StrFormat(
          "Data point number %d holds \"%s\", which is not a number!\nIt stands on line %d of the "
          "file.",
          section.numbers_before / per_point + 1,
          section.not_a_number.c_str(),
          section.line));
    }
    const int needed = point_count_ * per_point;
    if (!section.Holds(needed)) {
      return Refuse(StrFormat(
          "The data section holds %d numbers instead of %d!\n%d data points of %d numbers each "
          "need %d: a value is missing or extra.",
          section.numbers,
          needed,
          point_count_,
          per_point,
          needed));
    }
    return true;
  }

  bool ReadPoint(int i, bool second_spacing, bool errors) {
    const int number = i + 1;
    float a = Real();
    float b = second_spacing ? Real() : 0.0f;
    float rho = Real();
    float err = errors ? Real() : 0.0f;
    float ip = 0.0f;
    float ip_err = 0.0f;
    std::string line;
    if (data_.dataKind == DataKind::kIp) {
      ip = Real();
      if (errors) ip_err = Real();
      if (sink_.ShowsLines())
        line = errors
                   ? StrFormat(
                         "%2d  %8.2f  %8.2f  %8.2f  %8.2f  %8.2f", number, a, rho, err, ip, ip_err)
                   : StrFormat("%2d  %8.2f  %8.2f  %8.2f", number, a, rho, ip);
    } else if (data_.dataKind == DataKind::kSip) {
      const int count = data_.frequencyCount;
      double largest_drop = 0.0;
      for (int f = 0; f < count; ++f) {
        float p = Real();
        float q = Real();
        data_.sipValue1[i * count + f] = p;
        data_.sipValue2[i * count + f] = q;
        double drop = rho > 0.0f ? (static_cast<double>(rho) - p) / rho : 0.0;
        if (f == 0 || drop > largest_drop) largest_drop = drop;
      }
      ip = ToStoredFloat(largest_drop);
      if (sink_.ShowsLines())
        line = StrFormat("%2d  %8.2f  %8.2f  %8.2f  %8.2f  %8.3f",
                         number,
                         a,
                         rho,
                         ip,
                         data_.sipValue1[i * count + count - 1],
                         data_.sipValue2[i * count + count - 1]);
    } else {
      if (sink_.ShowsLines())
        line = errors ? StrFormat("%2d  %8.2f  %8.2f  %8.2f", number, a, rho, err)
                      : StrFormat("%2d  %8.2f  %8.2f", number, a, rho);
    }
    data_.spacingA[i] = a;
    data_.spacingB[i] = b;
    data_.apparentResistivity[i] = rho;
    data_.resistivityError[i] = err;
    data_.ipValue[i] = ip;
    data_.ipError[i] = ip_err;
    // A point holding a value that is not finite is refused below with a
    // message naming it; its line is not listed, so no listing shows one.
    bool listable = std::isfinite(a) && std::isfinite(b) && std::isfinite(rho) &&
                    std::isfinite(err) && std::isfinite(ip) && std::isfinite(ip_err);
    for (int f = 0; data_.dataKind == DataKind::kSip && f < data_.frequencyCount; ++f) {
      const int at = i * data_.frequencyCount + f;
      listable =
          listable && std::isfinite(data_.sipValue1[at]) && std::isfinite(data_.sipValue2[at]);
    }
    if (listable) sink_.Line(line);

    auto point = [number](const char* what) {
      return StrFormat("The %s of data point number %d", what, number);
    };
    if (!CheckFinite(a, point("spacing")) || !CheckFinite(b, point("b spacing")) ||
        !CheckFinite(rho, point("resistivity")) || !CheckFinite(err, point("resistivity error")) ||
        !CheckFinite(ip_err, point("IP error"))) {
      return false;
    }
    if (a <= 0.0f) {
      return Refuse(StrFormat(
          "Data point number %d has a spacing of %.2f!\nThe electrode spacing must be positive!",
          number,
          a));
    }
    if (rho <= 0.0f) {
      return Refuse(
          StrFormat("Data point number %d has a resistivity of %.2f!\nThe apparent "
                    "resistivity must be positive!",
                    number,
                    rho));
    }
    // The results file records spacings and resistivities with three
    // decimals; a smaller value would be written as 0 and the file could not
    // be read back.
    if (a < kMinRecordedValue) {
      return Refuse(
          StrFormat("Data point number %d has a spacing of %g!\nThe electrode spacing "
                    "must be at least %g m!",
                    number,
                    a,
                    kMinRecordedValue));
    }
    if (rho < kMinRecordedValue) {
      return Refuse(
          StrFormat("Data point number %d has a resistivity of %g!\nThe apparent "
                    "resistivity must be at least %g ohm-m!",
                    number,
                    rho,
                    kMinRecordedValue));
    }
    if (data_.dataKind == DataKind::kSip) return CheckSipValues(i);
    if (!CheckFinite(ip, point("IP value"))) return false;
    if (data_.dataKind == DataKind::kIp && std::fabs(ip) > kMaxIpMagnitude) {
      return Refuse(
          StrFormat("Data point number %d has an IP value of %.2f!\nThe IP value must "
                    "be between -%.0f and %.0f!",
                    number,
                    ip,
                    kMaxIpMagnitude,
                    kMaxIpMagnitude));
    }
    return true;
  }

  bool CheckSipValues(int i) {
    const int number = i + 1;
    const int count = data_.frequencyCount;
    for (int f = 0; f < count; ++f) {
      float p = data_.sipValue1[i * count + f];
      float q = data_.sipValue2[i * count + f];
      std::string where =
          StrFormat("of data point number %d at frequency number %d", number, f + 1);
      if (!CheckFinite(p, "The first SIP value " + where) ||
          !CheckFinite(q, "The second SIP value " + where)) {
        return false;
      }
      // Amplitudes are shown and fitted on logarithmic axes.
      if (data_.sipForm == SipForm::kAmplitudePhase && p <= 0.0f) {
        return Refuse(
            StrFormat("Data point number %d has an amplitude of %.2f at frequency "
                      "number %d!\nThe amplitude must be positive!",
                      number,
                      p,
                      f + 1));
      }
    }
    return CheckFinite(data_.ipValue[i],
                       StrFormat("The IP value derived for data point number %d", number));
  }

  bool Reorder() {
    if (!Traits(data_.arrayType).second_spacing) {
      SortWennerPoints(data_);
      return true;
    }
    DatumLevelOutcome outcome = MergeDatumLevels(data_);
    if (outcome.tooManyLevels) {
      sink_.Beep();
      sink_.Warn(StrFormat("Too many datum levels!\nMaximum number of datum levels is %d.",
                           kMaxDatumLevels),
                 kLevelsCaption);
    }
    if (outcome.invalidPoint >= 0) {
      int p = outcome.invalidPoint;
      return Refuse(
          StrFormat("Merging the datum levels gives point %d (spacing %.2f) a "
                    "resistivity of %g!\nThe shift between the datum levels is too "
                    "large.",
                    p + 1,
                    data_.spacingA[p],
                    data_.apparentResistivity[p]));
    }
    return true;
  }

  bool ReadStartingModel() {
    sink_.Line(Line());  // starting-model label, as read
    std::string answer = Line();
    sink_.Line(answer);
    if (!IsYes(answer)) return true;
    sink_.Line("User Starting model available.");
    // The starting model is optional: one that cannot be used is reported
    // and dropped, and the data are kept.
    reading_starting_model_ = true;
    const bool usable = ReadUsableStartingModel();
    reading_starting_model_ = false;
    if (!usable) {
      sink_.Line("The starting model cannot be used.");
      sink_.Warn("The starting model of this file cannot be used:\n" + starting_model_problem_ +
                     "\nThe data have been read without it.",
                 kDataCaption);
    }
    return true;
  }

  bool ReadUsableStartingModel() {
    Line();  // fixed parameters label
    const int fixed = IsYes(Line()) ? 1 : 0;
    sink_.Line(fixed ? "Some parameters fixed." : "No parameters fixed.");
    Line();  // number of layers label
    const int layers = Int();
    sink_.Line(StrFormat("Number of model layers is %d.", layers));
    if (layers < kMinStartingLayers || layers > kMaxStartingLayers) {
      return Refuse(
          StrFormat("Your starting model has %d layers.\nThe number of model layers "
                    "must be between 1 and 100.",
                    layers));
    }
    Line();  // model parameters label
    switch (data_.dataKind) {
      case DataKind::kIp:
        sink_.Line("Resistivity    I.P.    Thickness");
        break;
      case DataKind::kSip:
        sink_.Line("Resistivity    I.P.    Time Const.   Exponent  Thickness");
        break;
      default:
        sink_.Line("Resistivity  Thickness");
    }

    // Built aside and handed over only when the whole model was accepted.
    LayeredModel model;
    model.layerCount = layers;
    for (int k = 0; k < layers; ++k) {
      if (!ReadLayer(model, k)) return false;
    }
    model.depthTop[0] = 0.0f;
    for (int k = 0; k + 1 < layers; ++k) {
      model.depthTop[k + 1] = model.depthTop[k] + model.thickness[k];
    }

    Line();  // convergence limit label
    const float limit = Real();
    sink_.Line(StrFormat("Convergence limit is %.2f%%", limit));
    if (!CheckFinite(limit, "The convergence limit")) return false;

    out_.startingModel = model;
    out_.userModelAvailable = 1;
    out_.someParametersFixed = fixed;
    out_.convergenceLimit = limit <= 0.1f ? 0.001f : ToStoredFloat(limit * 0.01);
    return true;
  }

  bool ReadLayer(LayeredModel& model, int k) {
    const int number = k + 1;
    const bool last = number == model.layerCount;
    std::vector<float> fields;
    float resistivity = Real();
    fields.push_back(resistivity);
    float chargeability = 0.0f;
    if (data_.dataKind != DataKind::kResistivity) {
      chargeability = Real();
      if (chargeability > kLargestFractionalChargeability) chargeability *= 0.001f;
      fields.push_back(chargeability);
    }
    float time_constant = 0.0f;
    float exponent = 0.0f;
    if (data_.dataKind == DataKind::kSip) {
      time_constant = Real();
      exponent = Real();
      fields.push_back(time_constant);
      fields.push_back(exponent);
    }
    float thickness = 0.0f;
    if (!last) {
      thickness = Real();
      fields.push_back(thickness);
    }
    std::string line;
    bool listable = true;  // a value that is not finite is refused below, not listed
    for (size_t f = 0; f < fields.size(); ++f) {
      if (f > 0) line += ' ';
      line += StrFormat("%11.3f", fields[f]);
      listable = listable && std::isfinite(fields[f]);
    }
    if (listable) sink_.Line(line);

    model.resistivity[k] = resistivity;
    model.chargeability[k] = chargeability;
    model.timeConstant[k] = time_constant;
    model.exponent[k] = exponent;
    if (!last) model.thickness[k] = thickness;

    auto layer = [number](const char* what) {
      return StrFormat("The %s of layer number %d of the starting model", what, number);
    };
    if (!CheckFinite(resistivity, layer("resistivity")) ||
        !CheckFinite(chargeability, layer("chargeability")) ||
        !CheckFinite(time_constant, layer("time constant")) ||
        !CheckFinite(exponent, layer("exponent")) || !CheckFinite(thickness, layer("thickness"))) {
      return false;
    }
    // The inversion works with the logarithms of both.
    if (resistivity <= 0.0f) {
      return Refuse(
          StrFormat("Layer number %d of the starting model has a resistivity of "
                    "%.3f!\nThe layer resistivity must be positive!",
                    number,
                    resistivity));
    }
    if (!last && thickness <= 0.0f) {
      return Refuse(
          StrFormat("Layer number %d of the starting model has a thickness of "
                    "%.3f!\nThe layer thickness must be positive!",
                    number,
                    thickness));
    }
    return true;
  }

  TextCursor in_;
  SoundingFile& out_;
  SoundingData& data_;
  ListingSink& sink_;
  int point_count_ = 0;
  bool reading_starting_model_ = false;
  std::string starting_model_problem_;
};

}  // namespace

int ReadDataFile(const std::string& path, SoundingFile& file, ListingSink& sink) {
  file = SoundingFile();
  SoundingData& data = file.data;
  TextFile text = LoadTextFile(path);
  if (!AcceptLoadedFile(text, path, sink)) return 1;
  DataFileReader reader(text, file, sink);
  if (!reader.Read()) {
    data.pointCount = 0;
    return 1;
  }
  data.warnings = CheckSounding(data);
  for (const std::string& warning : data.warnings) sink.Lines("Warning: " + warning);
  sink.Beep();
  sink.Line("");
  sink.Line(StrFormat("Reading of data file %s completed.", path.c_str()));
  data.dataFileName = path;
  file.readings.dataFileName = path;
  return 0;
}

}  // namespace layra
