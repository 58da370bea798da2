#ifndef LAYRA_WINDOWS_RESULT_TABLES_H_
#define LAYRA_WINDOWS_RESULT_TABLES_H_

// The tables the windows dock beside their plot: the layered model of the
// iteration shown, and the data points with their fit, datum level and merge
// factor and a check box per point to leave it out of the next inversion.
// Both copy themselves as comma-separated text.

#include <QTableWidget>
#include <vector>

#include "analysis/uncertainty_report.h"
#include "state/records.h"

namespace layra {

// One layered model as the model table shows it. Arrays hold `layers`
// entries (thickness: the last is not used); the IP columns are shown when
// `chargeability` is set, the Cole-Cole ones when `tau` and `c` are set.
struct ModelView {
  int layers = 0;
  const float* resistivity = nullptr;    // ohm-m
  const float* thickness = nullptr;      // m
  const float* chargeability = nullptr;  // fraction; shown in `ip_unit`
  // The unit chargeabilities are shown in and what one of it is as a
  // fraction: one unit for one model in the file, table, plot and listing.
  const char* ip_unit = "mV/V";
  double ip_fraction = 0.001;
  const float* tau = nullptr;  // s
  const float* c = nullptr;
  // A few-layer equivalence analysis of this model: low and high columns of
  // the resistivities and thicknesses, and S and T with their ranges.
  const RunUncertainty* ranges = nullptr;
  // Resistivities and thicknesses edited in place.
  bool editable = false;
};

class ModelTable : public QTableWidget {
  Q_OBJECT

 public:
  explicit ModelTable(QWidget* parent = nullptr);
  // Layer, resistivity, thickness, depth to top (and chargeability, tau, c,
  // the ranges).
  void ShowModel(const ModelView& model);
  // The whole table as CSV: a header line, then one line per layer.
  QString ToCsv() const;

 signals:
  // A resistivity (`thickness` false) or thickness was edited to `value`.
  void valueEdited(int layer, bool thickness, double value);
  // The context menu's Split layer and Remove layer.
  void splitRequested(int layer);
  void removeRequested(int layer);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  bool filling_ = false;
  bool editable_ = false;
};

class DataTable : public QTableWidget {
  Q_OBJECT

 public:
  explicit DataTable(QWidget* parent = nullptr);
  // The points of `data`; `calculated` (pointCount entries or null) the
  // calculated apparent resistivities, `calculated_ip` likewise; `excluded`
  // ticks the "Leave out" boxes.
  // `ip_unit`, `ip_fraction`: the unit of the calculated IP values (the
  // file's own, in which its IP column is).
  void ShowData(const SoundingData& data,
                const float* calculated,
                const float* calculated_ip,
                const std::array<unsigned char, kMaxPoints>& excluded,
                const char* ip_unit = "mV/V",
                double ip_fraction = 0.001);
  // The raw readings of Schlumberger data of several MN/2 segments, in the
  // file's order, each with its "Leave out" box (`left_out`: left out of
  // the merge), the merged point it became (`point_of_reading`, -1 none)
  // with that point's merged and calculated values, datum level and factor.
  void ShowReadings(const SoundingData& readings,
                    const SoundingData& merged,
                    const std::vector<bool>& left_out,
                    const std::vector<int>& point_of_reading,
                    const float* calculated);
  bool showsReadings() const { return readings_; }
  QString ToCsv() const;

 signals:
  // The user ticked (true) or cleared the "Leave out" box of point `point`
  // (0-based).
  void exclusionChanged(int point, bool excluded);
  // The same for raw reading `reading` (0-based, file order).
  void readingLeftOutChanged(int reading, bool left_out);

 private:
  bool filling_ = false;
  bool readings_ = false;  // rows are raw readings
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_RESULT_TABLES_H_
