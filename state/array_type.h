#ifndef LAYRA_STATE_ARRAY_TYPE_H_
#define LAYRA_STATE_ARRAY_TYPE_H_

// The electrode arrays and, in one place, all that differs between them.
// Code that differs per array switches over ArrayType without a default, so
// the compiler names every place a new array has to be taught.

#include <string>
#include <vector>

namespace layra {

// The values are the documented codes.
enum class ArrayType : int {
  kWenner = 1,
  kSchlumberger = 7,
};

// Every array, for loops over them (dialogs, option lists, tests).
constexpr ArrayType kArrayTypes[] = {ArrayType::kWenner, ArrayType::kSchlumberger};

struct ArrayTraits {
  int code;                    // the documented code, as JSON gives it
  const char* name;            // lower case, as the command line takes it: "wenner"
  const char* label;           // as a dialog shows it: "Wenner"
  const char* file_line;       // the array line of data, results and synthetic files
  const char* point_header;    // header of the points in a data file's listing
  const char* spacing_column;  // heading of the spacing in tables: "a (m)", "AB/2 (m)"
  // Points carry a second spacing (Schlumberger MN/2): points of equal second
  // spacing form a datum level, and levels are merged when a file is read.
  bool second_spacing;
};

const ArrayTraits& Traits(ArrayType type);

// The array of a data or results file's array line: "1", "W" or "w" at its
// start is Wenner, anything else Schlumberger.
ArrayType ArrayTypeOfFileLine(const std::string& line);

// The array of a command-line name; false (*type left) for none.
bool ArrayTypeOfName(const std::string& name, ArrayType* type);
// Every array's command-line name.
std::vector<std::string> ArrayTypeNames();

// Geometric factor K (m) of the array, so that rho_a = K V / I:
//   Wenner        K = 2 pi a
//   Schlumberger  K = pi (L^2 - l^2) / (2 l), L = AB/2, l = MN/2 (needs l < L)
double GeometricFactor(ArrayType type, double spacing, double mn_half);

}  // namespace layra

#endif  // LAYRA_STATE_ARRAY_TYPE_H_
