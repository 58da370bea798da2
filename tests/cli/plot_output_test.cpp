#include "cli/plot_output.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cli/plot_size.h"

namespace layra::cli {
namespace {

// WIDTHxHEIGHT is read; anything else is refused, quoted in the message, and
// leaves the size as it was.
TEST(ParsePlotSize, ReadsWidthByHeightAndRefusesTheRest) {
  int width = 0;
  int height = 0;
  ASSERT_TRUE(ParsePlotSize("1280x800", &width, &height, nullptr));
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(1280, 800));
  ASSERT_TRUE(ParsePlotSize("640X480", &width, &height, nullptr));
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(640, 480));
  EXPECT_FALSE(ParsePlotSize("bad", &width, &height, nullptr));
  const std::vector<std::string> refused = {"",
                                            "1280",
                                            "1280x",
                                            "1280x800x2",
                                            "12 80x800",
                                            "-640x480",
                                            "99999999999x800",
                                            "100x100",
                                            "9000x800"};
  for (const std::string& text : refused) {
    width = 7;
    height = 9;
    std::string error;
    EXPECT_FALSE(ParsePlotSize(text, &width, &height, &error)) << text;
    EXPECT_EQ(width, 7) << text;
    EXPECT_EQ(height, 9) << text;
    EXPECT_NE(error.find("'" + text + "'"), std::string::npos) << error;
  }
}

// A --plot name takes its format from the picture table; any other is
// refused with the table's extensions.
TEST(ParsePictureRequest, TakesTheFormatByExtension) {
  PictureRequest request;
  ASSERT_TRUE(ParsePictureRequest("a/plot.PDF", "300x200", &request, nullptr));
  EXPECT_EQ(request.format, PictureFormat::kPdf);
  EXPECT_EQ(std::make_pair(request.width, request.height), std::make_pair(300, 200));
  std::string error;
  EXPECT_FALSE(ParsePictureRequest("plot.gif", "300x200", &request, &error));
  EXPECT_EQ(error, "cannot save a plot as 'plot.gif': use a .png, .svg, .bmp or .pdf file name");
}

}  // namespace
}  // namespace layra::cli
