#ifndef LAYRA_STATE_SETTINGS_RULES_H_
#define LAYRA_STATE_SETTINGS_RULES_H_

// How the settings dialogs read what the user typed and which limits each
// setting keeps. Out-of-range entries are clamped silently; text that is not a
// number reads as 0 and is then clamped (or used as 0 for counts). Shared by
// the desktop dialogs and the command line, so both accept the same entries.

#include <string>

#include "state/records.h"

namespace layra {

// Limits of the settings fields.
constexpr float kInitialDampingMin = 0.01f;
constexpr float kInitialDampingMax = 1.0f;
constexpr float kMinimumDampingMin = 0.001f;
constexpr float kMinimumDampingMax = 0.25f;
constexpr float kConvergenceLimitMin = 0.0001f;
constexpr float kConvergenceLimitMax = 1.0f;
constexpr float kDataCutoffMin = 0.0001f;
constexpr float kDataCutoffMax = 0.1f;
constexpr float kModelCutoffMin = 0.0001f;
constexpr float kModelCutoffMax = 1.0f;
constexpr int kIterationLimitMin = 1;
constexpr int kIterationLimitMax = 25;
// The accurate engine's data errors, in percent.
constexpr double kErrorFloorPercentMin = 0.0;
constexpr double kErrorFloorPercentMax = 100.0;
constexpr double kAssumedErrorPercentMin = 0.01;
constexpr double kAssumedErrorPercentMax = 100.0;
// With the robust model constraint the minimum damping factor is at most this.
constexpr float kRobustModelMinimumDampingMax = 0.01f;

// Character capacities of the edit fields, terminating zero included: a field
// of capacity n keeps the first n - 1 characters of what was typed.
constexpr int kDampingFieldCapacity = 20;
constexpr int kConvergenceFieldCapacity = 15;
constexpr int kCutoffFieldCapacity = 30;
constexpr int kLayerCountFieldCapacity = 20;
constexpr int kLayerValueFieldCapacity = 40;
constexpr int kLastResistivityFieldCapacity = 20;

// The first capacity - 1 characters of `text`.
std::string FieldText(const std::string& text, int capacity);

// A plain decimal number: leading blanks, an optional sign, digits with an
// optional decimal point and an optional exponent; reading stops at the first
// character that does not fit. Text that does not start with a number reads
// as 0. Independent of the process locale (the decimal separator is always
// '.'); never yields NaN or infinity except for an exponent beyond the range
// of double, which gives +-infinity.
double ParseDecimal(const std::string& text);

// An unsigned whole number with optional surrounding blanks. Anything else
// (a sign, a decimal point, letters, nothing at all) reads as 0. Values above
// the largest int are held at the largest int.
int ParseUnsigned(const std::string& text);

// A signed whole number read like ParseDecimal: leading blanks, sign, digits,
// stopping at the first other character; no digits read as 0. Held within the
// range of int.
int ParseInteger(const std::string& text);

float ClampInitialDamping(double value);
float ClampMinimumDamping(double value);
// The convergence field holds a percentage: returns the fraction, clamped.
float ConvergenceLimitFromPercent(double percent);
float ClampDataCutoff(double value);
float ClampModelCutoff(double value);
int ClampIterationLimit(int value);

// What the fields show: the damping factors with "%.4f", the convergence
// limit as a percentage with "%.3f", the cut-off factors with "%.5f".
std::string DampingText(float value);
std::string ConvergencePercentText(float limit);
std::string CutoffText(float value);

// Applies the rule the robust model constraint needs: the minimum damping
// factor is lowered to 0.01 when the model constraint is robust.
void ApplyRobustModelDamping(InversionSettings& settings);

}  // namespace layra

#endif  // LAYRA_STATE_SETTINGS_RULES_H_
