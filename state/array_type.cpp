#include "state/array_type.h"

#include <cassert>

namespace layra {
namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr ArrayTraits kWennerTraits{
    1, "wenner", "Wenner", "Wenner array", "No.   Spac.  App. Res.", "a (m)", false};
constexpr ArrayTraits kSchlumbergerTraits{7,
                                          "schlumberger",
                                          "Schlumberger",
                                          "Schlumberger array",
                                          "No.   a Spac.   b Spac.  App. Res.",
                                          "AB/2 (m)",
                                          true};

}  // namespace

const ArrayTraits& Traits(ArrayType type) {
  switch (type) {
    case ArrayType::kWenner:
      return kWennerTraits;
    case ArrayType::kSchlumberger:
      return kSchlumbergerTraits;
  }
  assert(false && "not an array type");
  return kSchlumbergerTraits;
}

ArrayType ArrayTypeOfFileLine(const std::string& line) {
  const char first = line.empty() ? '\0' : line[0];
  return first == '1' || first == 'W' || first == 'w' ? ArrayType::kWenner
                                                      : ArrayType::kSchlumberger;
}

bool ArrayTypeOfName(const std::string& name, ArrayType* type) {
  for (ArrayType candidate : kArrayTypes) {
    if (name == Traits(candidate).name) {
      *type = candidate;
      return true;
    }
  }
  return false;
}

std::vector<std::string> ArrayTypeNames() {
  std::vector<std::string> names;
  for (ArrayType type : kArrayTypes) names.push_back(Traits(type).name);
  return names;
}

double GeometricFactor(ArrayType type, double spacing, double mn_half) {
  switch (type) {
    case ArrayType::kWenner:
      return 2.0 * kPi * spacing;
    case ArrayType::kSchlumberger:
      return kPi * (spacing * spacing - mn_half * mn_half) / (2.0 * mn_half);
  }
  assert(false && "not an array type");
  return 0.0;
}

}  // namespace layra
