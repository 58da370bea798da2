#include "survey/field_sheet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "fileio/data_file.h"
#include "fileio/datum_levels.h"
#include "fileio/text_input.h"
#include "state/text_format.h"
#include "survey/csv_table.h"

namespace layra {
namespace {

// Where a sheet gives V and I and an apparent resistivity, a relative
// difference beyond this is more than the rounding of the written numbers.
constexpr double kRhoAgreement = 0.005;

// "µV", "μA" (micro sign or Greek mu) -> "uv", "ua"; Greek omega -> "ohm";
// then only ASCII letters, digits, '%' and '/' are kept.
std::string NormalUnit(const std::string& unit) {
  std::string text;
  for (size_t i = 0; i < unit.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(unit[i]);
    const unsigned char next = i + 1 < unit.size() ? static_cast<unsigned char>(unit[i + 1]) : 0;
    if ((c == 0xC2 && next == 0xB5) || (c == 0xCE && next == 0xBC)) {
      text += 'u';
      ++i;
    } else if ((c == 0xCE && next == 0xA9) || (c == 0xCF && next == 0x89)) {
      text += "ohm";
      ++i;
    } else if (std::isalnum(c) || c == '%' || c == '/') {
      text += static_cast<char>(std::tolower(c));
    }
  }
  return text;
}

struct UnitFactor {
  const char* unit;
  double factor;
};

// The factor of `unit` among `known` (the first entry is the default for no
// unit), or nothing when the unit is not one of them.
std::optional<double> FactorOf(const CsvColumn& column, const std::vector<UnitFactor>& known) {
  const std::string unit = NormalUnit(column.unit);
  if (unit.empty()) return known.front().factor;
  for (const UnitFactor& entry : known) {
    if (unit == entry.unit) return entry.factor;
  }
  return std::nullopt;
}

const std::vector<UnitFactor> kLengthUnits = {{"m", 1.0}};
const std::vector<UnitFactor> kVoltageUnits = {{"mv", 1e-3}, {"v", 1.0}, {"uv", 1e-6}};
const std::vector<UnitFactor> kCurrentUnits = {{"ma", 1e-3}, {"a", 1.0}, {"ua", 1e-6}};
const std::vector<UnitFactor> kResistivityUnits = {{"ohmm", 1.0}};
// Errors: ohm-m as stored, or a percentage of the apparent resistivity
// (marked by a negative factor).
const std::vector<UnitFactor> kErrorUnits = {{"ohmm", 1.0}, {"%", -1.0}};
const std::vector<UnitFactor> kIpUnits = {{"msec", 1.0}, {"ms", 1.0}, {"mv/v", 1.0}, {"%", 10.0}};

class SheetReader {
 public:
  SheetReader(const CsvTable& table, ArrayType array, std::string* error)
      : table_(table), array_(array), error_(error) {}

  bool Read(SoundingData* data) {
    if (!FindColumns()) return false;
    *data = SoundingData();
    data->arrayType = array_;
    data->dataKind = ip_ >= 0 ? DataKind::kIp : DataKind::kResistivity;
    data->errorsIncluded = error_column_ >= 0 || ip_error_ >= 0 ? 1 : 0;
    int count = 0;
    for (const CsvRow& row : table_.rows) {
      bool blank = true;
      for (const std::string& field : row.fields) blank = blank && field.empty();
      if (blank) continue;
      if (count == kMaxDataPoints) {
        return Fail(StrFormat("The sheet has more than %d readings; a sounding holds at most %d.",
                              kMaxDataPoints,
                              kMaxDataPoints));
      }
      if (!ReadRow(row, count, data)) return false;
      ++count;
    }
    if (count < kMinDataPoints) {
      return Fail(StrFormat(
          "The sheet has %d readings; a sounding needs at least %d.", count, kMinDataPoints));
    }
    data->pointCount = count;
    data->pointCountAsRead = count;
    return CheckMerge(*data);
  }

  // Rows read as Wenner AB/2 and MN/2 with AB/2 = 3 MN/2 before the first
  // that is not (its line, 0 when every row is).
  int wenner_rows() const { return wenner_rows_; }
  int first_other_row() const { return first_other_row_; }

 private:
  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }

  // The data-file reader merges overlapping Schlumberger datum levels; a
  // merge that scales a reading beyond what a data file holds would make a
  // file it refuses.
  bool CheckMerge(const SoundingData& data) {
    if (!Traits(data.arrayType).second_spacing) return true;
    auto merged = std::make_unique<SoundingData>(data);
    const DatumLevelOutcome outcome = MergeDatumLevels(*merged);
    if (outcome.invalidPoint < 0) return true;
    const int p = outcome.invalidPoint;
    return Fail(
        StrFormat("Merging the datum levels gives the reading at AB/2 = %g, MN/2 = %g an apparent "
                  "resistivity of %g: the shift between the datum levels is too large.",
                  static_cast<double>(merged->spacingA[p]),
                  static_cast<double>(merged->spacingB[p]),
                  static_cast<double>(merged->apparentResistivity[p])));
  }
  bool FailAt(const CsvRow& row, int column, const std::string& message) {
    return Fail(StrFormat("Row %d, column \"%s\": %s",
                          row.line,
                          ShortField(table_.columns[static_cast<size_t>(column)].text).c_str(),
                          message.c_str()));
  }

  // Finds a column and its unit factor; false (with the message) when the
  // unit is not known.
  bool Column(const std::vector<std::string>& keys,
              const std::vector<UnitFactor>& units,
              int* index,
              double* factor) {
    *index = table_.Find(keys);
    if (*index < 0) return true;
    const CsvColumn& column = table_.columns[static_cast<size_t>(*index)];
    const std::optional<double> value = FactorOf(column, units);
    if (!value) {
      std::string known;
      for (const UnitFactor& entry : units)
        known += std::string(known.empty() ? "" : ", ") + entry.unit;
      return Fail("Column \"" + ShortField(column.text) + "\": unknown unit \"" +
                  ShortField(column.unit) + "\" (known: " + known + ").");
    }
    *factor = *value;
    return true;
  }

  bool FindColumns() {
    const bool wenner = array_ == ArrayType::kWenner;
    // A Wenner sounding may be written down as AB/2 and MN/2 (3a/2, a/2).
    wenner_as_ab_ =
        wenner && table_.Find({"a"}) < 0 && table_.Find({"ab2"}) >= 0 && table_.Find({"mn2"}) >= 0;
    const bool a_column = wenner && !wenner_as_ab_;
    if (!Column(a_column ? std::vector<std::string>{"a"} : std::vector<std::string>{"ab2"},
                kLengthUnits,
                &spacing_,
                &unused_) ||
        (!a_column && !Column({"mn2"}, kLengthUnits, &mn_, &unused_)) ||
        !Column({"rhoa", "rho", "resistivity", "appres", "apparentresistivity"},
                kResistivityUnits,
                &rho_,
                &unused_) ||
        !Column({"v", "voltage"}, kVoltageUnits, &voltage_, &voltage_factor_) ||
        !Column({"i", "current"}, kCurrentUnits, &current_, &current_factor_) ||
        !Column({"error", "err"}, kErrorUnits, &error_column_, &error_factor_) ||
        !Column({"ip", "chargeability"}, kIpUnits, &ip_, &ip_factor_) ||
        !Column({"iperror", "iperr"}, kIpUnits, &ip_error_, &ip_error_factor_)) {
      return false;
    }
    if (spacing_ < 0) {
      return Fail(wenner ? "A Wenner sheet needs a column \"a\" (the electrode spacing, m), "
                           "or \"AB/2\" and \"MN/2\" (m)."
                         : "A Schlumberger sheet needs a column \"AB/2\" (m).");
    }
    if (!wenner && mn_ < 0) return Fail("A Schlumberger sheet needs a column \"MN/2\" (m).");
    if ((voltage_ >= 0) != (current_ >= 0)) {
      return Fail("The sheet gives only one of \"V\" and \"I\"; both are needed.");
    }
    if (rho_ < 0 && voltage_ < 0) {
      return Fail("The sheet needs a column \"rho_a\" or the columns \"V\" and \"I\".");
    }
    if (ip_error_ >= 0 && ip_ < 0) return Fail("The sheet gives \"ip_error\" without \"ip\".");
    return true;
  }

  // The number in `column` of `row`; false with the message when it is empty
  // (and `required`) or not a number.
  bool Number(const CsvRow& row, int column, bool required, std::optional<double>* value) {
    *value = std::nullopt;
    if (column < 0) return true;
    const std::string& field = row.fields[static_cast<size_t>(column)];
    if (field.empty()) return !required || FailAt(row, column, "the value is missing.");
    *value = ParseCsvNumber(field, table_.separator);
    return value->has_value() ||
           FailAt(row, column, "\"" + ShortField(field) + "\" is not a number.");
  }

  bool ReadRow(const CsvRow& row, int p, SoundingData* data) {
    std::optional<double> spacing, mn, rho, voltage, current, error, ip, ip_error;
    if (!Number(row, spacing_, true, &spacing) || !Number(row, mn_, true, &mn) ||
        !Number(row, rho_, false, &rho) || !Number(row, voltage_, false, &voltage) ||
        !Number(row, current_, false, &current) || !Number(row, error_column_, true, &error) ||
        !Number(row, ip_, true, &ip) || !Number(row, ip_error_, true, &ip_error)) {
      return false;
    }
    if (!(*spacing > 0.0)) return FailAt(row, spacing_, "the spacing must be positive.");
    if (wenner_as_ab_) {
      if (!(std::fabs(*spacing - 3.0 * *mn) <= 1e-3 * *spacing)) {
        first_other_row_ = row.line;
        return FailAt(row,
                      mn_,
                      StrFormat("MN/2 is not a third of AB/2 (%s, %s), as in a Wenner array.",
                                ShortField(row.fields[static_cast<size_t>(spacing_)]).c_str(),
                                ShortField(row.fields[static_cast<size_t>(mn_)]).c_str()));
      }
      ++wenner_rows_;
      spacing = 2.0 * *mn;  // a
      mn.reset();
    }
    const double b = mn ? *mn : 0.0;
    if (mn && !(b > 0.0 && b < *spacing)) {
      return FailAt(row, mn_, "MN/2 must be positive and smaller than AB/2.");
    }
    double resistivity = 0.0;
    if (voltage && current) {
      if (*current == 0.0) return FailAt(row, current_, "the current must not be 0.");
      resistivity = GeometricFactor(array_, *spacing, b) * (*voltage * voltage_factor_) /
                    (*current * current_factor_);
      if (!(resistivity > 0.0)) {
        return FailAt(row, voltage_, "V and I give an apparent resistivity that is not positive.");
      }
      // A sheet that gives both says where they disagree by more than the
      // rounding of its numbers; V and I are what was measured.
      if (rho && std::fabs(*rho - resistivity) > kRhoAgreement * resistivity) {
        data->warnings.push_back(
            StrFormat("Row %d: V and I give an apparent resistivity of %.2f ohm-m, column \"%s\" "
                      "%s; V and I are used.",
                      row.line,
                      resistivity,
                      ShortField(table_.columns[static_cast<size_t>(rho_)].text).c_str(),
                      ShortField(row.fields[static_cast<size_t>(rho_)]).c_str()));
      }
    } else if (voltage || current) {
      return FailAt(row, voltage ? current_ : voltage_, "the value is missing.");
    } else if (rho) {
      resistivity = *rho;
      if (!(resistivity > 0.0)) {
        return FailAt(row, rho_, "the apparent resistivity must be positive.");
      }
    } else {
      return FailAt(row,
                    rho_ >= 0 ? rho_ : voltage_,
                    "the reading has no apparent resistivity (nor V and I).");
    }
    double resistivity_error = 0.0;
    if (error) {
      if (!(*error >= 0.0)) return FailAt(row, error_column_, "an error must not be negative.");
      resistivity_error =
          error_factor_ < 0.0 ? 0.01 * *error * resistivity : *error * error_factor_;
    }
    if (ip_error && !(*ip_error >= 0.0)) {
      return FailAt(row, ip_error_, "an error must not be negative.");
    }
    data->spacingA[p] = static_cast<float>(*spacing);
    data->spacingB[p] = static_cast<float>(b);
    data->apparentResistivity[p] = static_cast<float>(resistivity);
    data->resistivityError[p] = static_cast<float>(resistivity_error);
    data->ipValue[p] = ip ? static_cast<float>(*ip * ip_factor_) : 0.0f;
    data->ipError[p] = ip_error ? static_cast<float>(*ip_error * ip_error_factor_) : 0.0f;
    // Every value is stored as a float: one beyond its range is refused.
    const int rho_column = voltage && current ? voltage_ : rho_;
    const std::pair<float, int> stored[] = {{data->spacingA[p], spacing_},
                                            {data->spacingB[p], mn_},
                                            {data->apparentResistivity[p], rho_column},
                                            {data->resistivityError[p], error_column_},
                                            {data->ipValue[p], ip_},
                                            {data->ipError[p], ip_error_}};
    for (const auto& [value, column] : stored) {
      if (!std::isfinite(value)) return FailAt(row, column, "the value is out of range.");
    }
    // Positive values too small for a float would read back as 0.
    if (!(data->spacingA[p] > 0.0f)) return FailAt(row, spacing_, "the value is out of range.");
    if (mn && !(data->spacingB[p] > 0.0f)) return FailAt(row, mn_, "the value is out of range.");
    if (!(data->apparentResistivity[p] > 0.0f)) {
      return FailAt(row, rho_column, "the value is out of range.");
    }
    // What the data-file reader takes (results files keep three decimals,
    // IP values have a bound), so that the file written reads back.
    if (data->spacingA[p] < kMinRecordedValue) {
      return FailAt(row,
                    spacing_,
                    StrFormat("the spacing %g m is below the %g m a data file holds.",
                              static_cast<double>(data->spacingA[p]),
                              static_cast<double>(kMinRecordedValue)));
    }
    if (data->apparentResistivity[p] < kMinRecordedValue) {
      return FailAt(row,
                    rho_column,
                    StrFormat("the apparent resistivity %g ohm-m is below the %g ohm-m a data "
                              "file holds.",
                              static_cast<double>(data->apparentResistivity[p]),
                              static_cast<double>(kMinRecordedValue)));
    }
    if (ip && !(std::fabs(data->ipValue[p]) <= kMaxIpMagnitude)) {
      return FailAt(row,
                    ip_,
                    StrFormat("the chargeability %g mV/V is beyond the %g a data file holds.",
                              static_cast<double>(data->ipValue[p]),
                              static_cast<double>(kMaxIpMagnitude)));
    }
    return true;
  }

  const CsvTable& table_;
  ArrayType array_;
  std::string* error_;
  int spacing_ = -1, mn_ = -1, rho_ = -1, voltage_ = -1, current_ = -1;
  int error_column_ = -1, ip_ = -1, ip_error_ = -1;
  double voltage_factor_ = 1.0, current_factor_ = 1.0, error_factor_ = 1.0;
  double ip_factor_ = 1.0, ip_error_factor_ = 1.0, unused_ = 1.0;
  bool wenner_as_ab_ = false;  // a Wenner sheet with AB/2 and MN/2 columns
  int wenner_rows_ = 0;
  int first_other_row_ = 0;
};

}  // namespace

bool ReadFieldSheetFile(const std::string& path, std::string* text, std::string* error) {
  std::string problem;
  if (ReadFileText(path, kMaxFieldSheetLength, text, &problem)) return true;
  *error = "The field sheet " + path + " " + problem + ".";
  return false;
}

std::string ImportedTitle(const std::string& sheet_name) {
  std::string title = "Imported from " + sheet_name;
  std::size_t keep = std::min<std::size_t>(title.size(), kLineCapacity - 1);
  // Not inside a UTF-8 sequence.
  while (keep < title.size() && keep > 0 &&
         (static_cast<unsigned char>(title[keep]) & 0xC0) == 0x80) {
    --keep;
  }
  title.resize(keep);
  return title;
}

bool ParseFieldSheet(const std::string& text,
                     ArrayType array,
                     SoundingData* data,
                     std::string* error) {
  CsvTable table;
  if (!ParseCsvTable(text, &table, error)) return false;
  return SheetReader(table, array, error).Read(data);
}

}  // namespace layra

namespace layra {

ArrayType FieldSheetArray(const std::string& text, std::string* note) {
  CsvTable table;
  std::string error;
  if (!ParseCsvTable(text, &table, &error)) return ArrayType::kSchlumberger;
  if (table.Find({"ab2"}) < 0) {
    return table.Find({"a"}) >= 0 ? ArrayType::kWenner : ArrayType::kSchlumberger;
  }
  if (table.Find({"a"}) >= 0) return ArrayType::kSchlumberger;
  // AB/2 and MN/2: Wenner when every reading has AB/2 = 3 MN/2.
  auto data = std::make_unique<SoundingData>();
  SheetReader reader(table, ArrayType::kWenner, &error);
  if (reader.Read(data.get())) return ArrayType::kWenner;
  // Readings that were 3:1 up to one that is not: say which decided.
  if (note != nullptr && reader.wenner_rows() > 0 && reader.first_other_row() > 0) {
    if (!error.empty() && error.back() == '.') error.pop_back();
    *note = StrFormat(
        "%s; the first %d readings are Wenner, so the sheet is read as "
        "Schlumberger (give the array to decide otherwise).",
        error.c_str(),
        reader.wenner_rows());
  }
  return ArrayType::kSchlumberger;
}

}  // namespace layra
