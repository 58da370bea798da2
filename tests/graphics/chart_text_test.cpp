#include "graphics/chart_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace layra {
namespace {

TEST(ChartText, CountsCutsAndWrapsByCharacters) {
  EXPECT_EQ(TextColumns("\xCF\x81"
                        "a (\xCE\xA9\xC2\xB7m)"),
            8);
  EXPECT_EQ(FitText("Observed \xCF\x81"
                    "a",
                    11),
            "Observed \xCF\x81"
            "a");
  EXPECT_EQ(FitText("Observed \xCF\x81"
                    "a",
                    9),
            "Observed~");
  EXPECT_EQ(FitText("short", 0), "");
  EXPECT_EQ(WrapText("Automatic inversion, documented engine", 20),
            (std::vector<std::string>{"Automatic inversion,", "documented engine"}));
  EXPECT_EQ(WrapText("Equivalent   models", 40), (std::vector<std::string>{"Equivalent models"}));
  EXPECT_EQ(WrapText("an unbreakableword", 8), (std::vector<std::string>{"an", "unbreak~"}));
  EXPECT_EQ(WrapText("", 8), (std::vector<std::string>{""}));
}

}  // namespace
}  // namespace layra
