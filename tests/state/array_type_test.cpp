#include "state/array_type.h"

#include <gtest/gtest.h>

namespace layra {
namespace {

// What a file or the command line says of an array reads back as that array.
TEST(ArrayType, NamesAndFileLinesReadBack) {
  for (ArrayType type : kArrayTypes) {
    const ArrayTraits& traits = Traits(type);
    EXPECT_EQ(traits.code, static_cast<int>(type));
    EXPECT_EQ(ArrayTypeOfFileLine(traits.file_line), type) << traits.file_line;
    ArrayType named = type == ArrayType::kWenner ? ArrayType::kSchlumberger : ArrayType::kWenner;
    EXPECT_TRUE(ArrayTypeOfName(traits.name, &named));
    EXPECT_EQ(named, type);
  }
  ArrayType unchanged = ArrayType::kWenner;
  EXPECT_FALSE(ArrayTypeOfName("dipole", &unchanged));
  EXPECT_EQ(unchanged, ArrayType::kWenner);
}

// The documented codes of the array line: "1", "W" or "w" first is Wenner,
// anything else Schlumberger.
TEST(ArrayType, FileLineCodes) {
  for (const char* wenner : {"1", "W", "wenner", "Wenner array"}) {
    EXPECT_EQ(ArrayTypeOfFileLine(wenner), ArrayType::kWenner) << wenner;
  }
  for (const char* schlumberger : {"7", "S", "", "2"}) {
    EXPECT_EQ(ArrayTypeOfFileLine(schlumberger), ArrayType::kSchlumberger) << schlumberger;
  }
}

TEST(GeometricFactor, MatchesTheArrayFormulas) {
  struct Case {
    ArrayType array;
    double spacing, mn_half, expected;
  };
  // Wenner 2 pi a; Schlumberger pi (L^2 - l^2) / (2 l), worked by hand.
  const Case cases[] = {{ArrayType::kWenner, 10.0, 0.0, 62.83185307},
                        {ArrayType::kSchlumberger, 10.0, 1.0, 155.5088364},
                        {ArrayType::kSchlumberger, 100.0, 5.0, 3133.738672}};
  for (const Case& c : cases) {
    EXPECT_NEAR(GeometricFactor(c.array, c.spacing, c.mn_half), c.expected, 1e-6 * c.expected)
        << c.spacing << " " << c.mn_half;
  }
}

}  // namespace
}  // namespace layra
