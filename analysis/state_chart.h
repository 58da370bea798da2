#ifndef LAYRA_ANALYSIS_STATE_CHART_H_
#define LAYRA_ANALYSIS_STATE_CHART_H_

// What the workspace plot (graphics/sounding_chart.h) shows of a sounding
// document: the data as read, the merged curve with the readings
// of each MN/2 segment beside it and the points left out, and, once a run
// has completed on them, its model and calculated curve with the analysis
// of the run where there is one. IP values, the model's chargeabilities and
// the calculated ones are all shown in one unit: the data file's, named in
// the axis title.

#include <string>
#include <vector>

#include "analysis/uncertainty_report.h"
#include "graphics/sounding_chart.h"
#include "inversion/sounding_document.h"
#include "state/records.h"

namespace layra {

struct StateChartOptions {
  std::string runLabel;                         // of the run drawn
  const RunUncertainty* uncertainty = nullptr;  // the analysis of that run, or null
  int page = 0;
  // The document's raw readings (SoundingFile::readings, in the file's
  // order) left out of the merge; entries beyond it count as kept.
  std::vector<bool> leftOutReadings;
};

// The unit IP values are shown in: its name, what one of it is as a
// fraction, and the axis title naming the quantity and the unit.
struct ChartIpUnit {
  std::string name;
  double fraction = 0.001;
  std::string title;
};

// The file's own unit for IP data (from its unit line; without one, mV/V
// for values of 1 or more and V/V below); mV/V for the chargeability SIP
// data derive.
ChartIpUnit IpUnitOf(const SoundingData& data);

// The unit a forward model's chargeabilities are shown in (the forward
// window's table and listing): that of the data file its response is saved
// as, named as IpUnitOf names it when the file is read back.
ChartIpUnit ForwardIpUnit(const ForwardModel& model);

// `run`: a completed run of the document on its data, drawn with its model
// and calculated curve; null for the data alone.
ChartInput StateChart(const SoundingDocument& document,
                      const SoundingRun* run,
                      const StateChartOptions& options);

}  // namespace layra

#endif  // LAYRA_ANALYSIS_STATE_CHART_H_
