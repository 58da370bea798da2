#include "windows/result_tables.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <cmath>

#include "fileio/datum_levels.h"

namespace layra {
namespace {

// Four significant digits tell 5 from 10 msec and show tau = 0.001 s.
QString Number(double value) {
  if (!std::isfinite(value)) return QString();
  return QString::number(value, 'g', 5);
}

QTableWidgetItem* ReadOnly(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

// A cell the user may edit when `editable`.
QTableWidgetItem* Editable(const QString& text, bool editable) {
  QTableWidgetItem* item = ReadOnly(text);
  if (editable) item->setFlags(item->flags() | Qt::ItemIsEditable);
  return item;
}

QString TableCsv(const QTableWidget& table) {
  QStringList lines;
  QStringList header;
  for (int column = 0; column < table.columnCount(); ++column) {
    header << table.horizontalHeaderItem(column)->text();
  }
  lines << header.join(QLatin1Char(','));
  for (int row = 0; row < table.rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < table.columnCount(); ++column) {
      const QTableWidgetItem* item = table.item(row, column);
      if (item == nullptr) {
        cells << QString();
      } else if (item->flags() & Qt::ItemIsUserCheckable) {
        cells << (item->checkState() == Qt::Checked ? QStringLiteral("yes") : QStringLiteral("no"));
      } else {
        cells << item->text();
      }
    }
    lines << cells.join(QLatin1Char(','));
  }
  return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void Prepare(QTableWidget& table) {
  table.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table.setSelectionMode(QAbstractItemView::ExtendedSelection);
  table.verticalHeader()->setVisible(false);
  table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 6);
  table.horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

// The range of the parameter `name` ("rho2", "h1") of an analysis; null if
// it has none.
const ParameterRange* RangeOf(const RunUncertainty* ranges, const std::string& name) {
  if (ranges == nullptr || !ranges->few_layer) return nullptr;
  for (const ParameterRange& range : ranges->few.parameters) {
    if (range.name == name) return &range;
  }
  return nullptr;
}

// A range's end; an end the search left open is marked "<" or ">".
QString RangeEnd(const ParameterRange* range, bool high) {
  if (range == nullptr) return QString();
  const bool open = high ? range->open_high : range->open_low;
  const QString value = Number(high ? range->high : range->low);
  return open ? (high ? QStringLiteral(">") : QStringLiteral("<")) + value : value;
}

}  // namespace

ModelTable::ModelTable(QWidget* parent) : QTableWidget(parent) {
  setObjectName(QStringLiteral("modelTable"));
  Prepare(*this);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  ShowModel(ModelView{});
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (filling_ || item->column() < 1 || item->column() > 2) return;
    bool number = false;
    const double value = item->text().toDouble(&number);
    // A value that is not a positive number is not taken: the model is shown again.
    emit valueEdited(item->row(), item->column() == 2, number ? value : -1.0);
  });
  setContextMenuPolicy(Qt::DefaultContextMenu);
}

void ModelTable::contextMenuEvent(QContextMenuEvent* event) {
  const int row = rowAt(event->pos().y());
  if (row < 0 || !editable_) return;
  QMenu menu(this);
  QAction* split = menu.addAction(QStringLiteral("&Split layer %1").arg(row + 1));
  QAction* remove = menu.addAction(QStringLiteral("&Remove layer %1").arg(row + 1));
  remove->setEnabled(rowCount() > 2);
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == split) emit splitRequested(row);
  if (chosen == remove) emit removeRequested(row);
}

void ModelTable::ShowModel(const ModelView& model) {
  filling_ = true;
  // The cell chosen stays chosen when the model is shown again after an edit.
  const int current_row = currentRow();
  const int current_column = currentColumn();
  editable_ = model.editable;
  QStringList header = {QStringLiteral("Layer"),
                        QStringLiteral("Resistivity (ohm-m)"),
                        QStringLiteral("Thickness (m)"),
                        QStringLiteral("Depth to top (m)")};
  const bool ip = model.chargeability != nullptr;
  const bool cole_cole = model.tau != nullptr && model.c != nullptr;
  if (ip) header << QStringLiteral("Chargeability (%1)").arg(QString::fromUtf8(model.ip_unit));
  if (cole_cole) header << QStringLiteral("Tau (s)") << QStringLiteral("C");
  const bool ranges = model.ranges != nullptr && model.ranges->few_layer;
  if (ranges) {
    header << QStringLiteral("Resistivity low") << QStringLiteral("Resistivity high")
           << QStringLiteral("Thickness low") << QStringLiteral("Thickness high")
           << QStringLiteral("S (siemens)") << QStringLiteral("S low") << QStringLiteral("S high")
           << QStringLiteral("T (ohm-m2)") << QStringLiteral("T low") << QStringLiteral("T high");
  }
  clear();
  setColumnCount(static_cast<int>(header.size()));
  setHorizontalHeaderLabels(header);
  const int layers = model.resistivity == nullptr ? 0 : std::max(model.layers, 0);
  setRowCount(layers);
  double depth = 0.0;
  for (int i = 0; i < layers; ++i) {
    const bool last = i + 1 == layers;
    int column = 0;
    setItem(i, column++, ReadOnly(QString::number(i + 1)));
    setItem(i, column++, Editable(Number(model.resistivity[i]), model.editable));
    setItem(i,
            column++,
            Editable(last ? QString() : Number(model.thickness[i]), model.editable && !last));
    setItem(i, column++, ReadOnly(Number(depth)));
    if (ip) setItem(i, column++, ReadOnly(Number(model.chargeability[i] / model.ip_fraction)));
    if (cole_cole) {
      setItem(i, column++, ReadOnly(Number(model.tau[i])));
      setItem(i, column++, ReadOnly(Number(model.c[i])));
    }
    if (ranges) {
      const std::string layer = std::to_string(i + 1);
      const ParameterRange* rho = RangeOf(model.ranges, "rho" + layer);
      const ParameterRange* h = last ? nullptr : RangeOf(model.ranges, "h" + layer);
      setItem(i, column++, ReadOnly(RangeEnd(rho, false)));
      setItem(i, column++, ReadOnly(RangeEnd(rho, true)));
      setItem(i, column++, ReadOnly(RangeEnd(h, false)));
      setItem(i, column++, ReadOnly(RangeEnd(h, true)));
      for (const auto* list : {&model.ranges->few.conductance, &model.ranges->few.transverse}) {
        const LayerRange* found = nullptr;
        for (const LayerRange& range : *list) {
          if (range.layer == i + 1) found = &range;
        }
        setItem(i, column++, ReadOnly(found ? Number(found->value) : QString()));
        setItem(i, column++, ReadOnly(found ? Number(found->low) : QString()));
        setItem(i, column++, ReadOnly(found ? Number(found->high) : QString()));
      }
    }
    if (!last) depth += model.thickness[i];
  }
  if (current_row >= 0 && current_row < layers) setCurrentCell(current_row, current_column);
  filling_ = false;
}

QString ModelTable::ToCsv() const { return TableCsv(*this); }

DataTable::DataTable(QWidget* parent) : QTableWidget(parent) {
  setObjectName(QStringLiteral("dataTable"));
  Prepare(*this);
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (filling_ || item->column() != 1) return;
    const bool excluded = item->checkState() == Qt::Checked;
    filling_ = true;
    item->setText(excluded ? QStringLiteral("excluded") : QString());
    filling_ = false;
    if (readings_) {
      emit readingLeftOutChanged(item->row(), excluded);
    } else {
      emit exclusionChanged(item->row(), excluded);
    }
  });
}

void DataTable::ShowReadings(const SoundingData& readings,
                             const SoundingData& merged,
                             const std::vector<bool>& left_out,
                             const std::vector<int>& point_of_reading,
                             const float* calculated) {
  filling_ = true;
  readings_ = true;
  const QStringList header = {QStringLiteral("Reading"),
                              QStringLiteral("Leave out"),
                              QString::fromLatin1(Traits(readings.arrayType).spacing_column),
                              QStringLiteral("MN/2 (m)"),
                              QStringLiteral("Read (ohm-m)"),
                              QStringLiteral("Merged point"),
                              QStringLiteral("Merged (ohm-m)"),
                              QStringLiteral("Calculated (ohm-m)"),
                              QStringLiteral("Datum level"),
                              QStringLiteral("Merge factor")};
  clear();
  setColumnCount(static_cast<int>(header.size()));
  setHorizontalHeaderLabels(header);
  const int n = std::clamp(readings.pointCount, 0, kMaxPoints);
  setRowCount(n);
  const std::vector<PointLevel> levels = PointLevels(merged);
  for (int r = 0; r < n; ++r) {
    const bool out = r < static_cast<int>(left_out.size()) && left_out[static_cast<size_t>(r)];
    const int p = r < static_cast<int>(point_of_reading.size()) ? point_of_reading[r] : -1;
    int column = 0;
    setItem(r, column++, ReadOnly(QString::number(r + 1)));
    auto* box = new QTableWidgetItem(out ? QStringLiteral("excluded") : QString());
    box->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    box->setCheckState(out ? Qt::Checked : Qt::Unchecked);
    setItem(r, column++, box);
    setItem(r, column++, ReadOnly(Number(readings.spacingA[r])));
    setItem(r, column++, ReadOnly(Number(readings.spacingB[r])));
    setItem(r, column++, ReadOnly(Number(readings.apparentResistivity[r])));
    const bool merged_point = p >= 0 && p < merged.pointCount;
    setItem(r,
            column++,
            ReadOnly(merged_point ? QString::number(p + 1)
                                  : (out ? QString() : QStringLiteral("coincident"))));
    setItem(
        r, column++, ReadOnly(merged_point ? Number(merged.apparentResistivity[p]) : QString()));
    setItem(r,
            column++,
            ReadOnly(merged_point && calculated != nullptr ? Number(calculated[p]) : QString()));
    const PointLevel level =
        merged_point && p < static_cast<int>(levels.size()) ? levels[p] : PointLevel{};
    setItem(r, column++, ReadOnly(merged_point ? QString::number(level.level) : QString()));
    setItem(r, column++, ReadOnly(merged_point ? Number(level.factor) : QString()));
  }
  filling_ = false;
}

void DataTable::ShowData(const SoundingData& data,
                         const float* calculated,
                         const float* calculated_ip,
                         const std::array<unsigned char, kMaxPoints>& excluded,
                         const char* ip_unit,
                         double ip_fraction) {
  filling_ = true;
  readings_ = false;
  const bool second_spacing = Traits(data.arrayType).second_spacing;
  const bool ip = data.dataKind != DataKind::kResistivity;
  QStringList header = {QStringLiteral("Point"), QStringLiteral("Leave out")};
  header << QString::fromLatin1(Traits(data.arrayType).spacing_column);
  if (second_spacing) header << QStringLiteral("MN/2 (m)");
  header << QStringLiteral("Observed (ohm-m)") << QStringLiteral("Calculated (ohm-m)")
         << QStringLiteral("Error");
  if (ip)
    header << QStringLiteral("IP") << QStringLiteral("IP error")
           << QStringLiteral("Calculated IP (%1)").arg(QString::fromUtf8(ip_unit));
  if (second_spacing) header << QStringLiteral("Datum level") << QStringLiteral("Merge factor");
  clear();
  setColumnCount(static_cast<int>(header.size()));
  setHorizontalHeaderLabels(header);
  const int n = std::clamp(data.pointCount, 0, kMaxPoints);
  setRowCount(n);
  const std::vector<PointLevel> levels = PointLevels(data);
  for (int p = 0; p < n; ++p) {
    int column = 0;
    setItem(p, column++, ReadOnly(QString::number(p + 1)));
    auto* box = new QTableWidgetItem(excluded[p] ? QStringLiteral("excluded") : QString());
    box->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    box->setCheckState(excluded[p] ? Qt::Checked : Qt::Unchecked);
    setItem(p, column++, box);
    setItem(p, column++, ReadOnly(Number(data.spacingA[p])));
    if (second_spacing) setItem(p, column++, ReadOnly(Number(data.spacingB[p])));
    setItem(p, column++, ReadOnly(Number(data.apparentResistivity[p])));
    setItem(p, column++, ReadOnly(calculated ? Number(calculated[p]) : QString()));
    setItem(
        p, column++, ReadOnly(data.errorsIncluded ? Number(data.resistivityError[p]) : QString()));
    if (ip) {
      setItem(p, column++, ReadOnly(Number(data.ipValue[p])));
      setItem(p, column++, ReadOnly(data.errorsIncluded ? Number(data.ipError[p]) : QString()));
      setItem(p,
              column++,
              ReadOnly(calculated_ip ? Number(calculated_ip[p] / ip_fraction) : QString()));
    }
    if (second_spacing) {
      const PointLevel level = p < static_cast<int>(levels.size()) ? levels[p] : PointLevel{};
      setItem(p, column++, ReadOnly(QString::number(level.level)));
      setItem(p, column++, ReadOnly(Number(level.factor)));
    }
  }
  filling_ = false;
}

QString DataTable::ToCsv() const { return TableCsv(*this); }

}  // namespace layra
