#include "cli/console_listing.h"

#include <gtest/gtest.h>

#include <sstream>

namespace layra::cli {
namespace {

// Empty lines show only between lines of text, as a window's listing leaves
// them; messages go to the error stream.
TEST(ConsoleListing, EmptyLinesOnlyBetweenTextAndMessagesOnTheErrorStream) {
  std::ostringstream out, err;
  ConsoleListing listing(&out, err);
  for (const char* line : {"", "  ", "Title", "", "   ", "Reading completed.", ""}) {
    listing.Line(line);
  }
  listing.Warn("first", "Data Error");
  listing.Message("second", "Message", MessageIcon::kInformation);
  EXPECT_EQ(out.str(), "Title\n\n\nReading completed.\n");
  EXPECT_EQ(err.str(), "Data Error: first\nMessage: second\n");

  ConsoleListing quiet(nullptr, err);
  EXPECT_FALSE(quiet.ShowsLines());
  quiet.Line("dropped");
}

}  // namespace
}  // namespace layra::cli
