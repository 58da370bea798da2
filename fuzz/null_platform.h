#ifndef LAYRA_FUZZ_NULL_PLATFORM_H_
#define LAYRA_FUZZ_NULL_PLATFORM_H_

// A canvas, listings and a run observer that discard everything (drawn and
// formatted all the same, to fuzz that code) and check every text for a
// number that is not finite.

#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "graphics/drawing_record.h"
#include "inversion/inversion_driver.h"
#include "platform/listing_sink.h"

namespace layra::fuzz {

// A file in the temporary folder of this fuzz process: `name` + pid + suffix.
inline std::string TempPath(const std::string& name, const char* suffix) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = dir && *dir ? dir : "/tmp";
  return path + "/" + name + std::to_string(getpid()) + suffix;
}

// Writes the fuzz input to `path`; false when the file cannot be written.
inline bool WriteInput(const std::string& path, const std::uint8_t* bytes, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

// The whole contents of the file at `path`.
inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Stops the run as a finding when a property the target checks does not hold.
inline void Require(bool condition) {
  if (!condition) std::abort();
}

// True when `text` holds "nan" or "inf" as a word of its own (any case), as
// printf writes a value that is not finite.
inline bool HasNonFiniteNumber(const std::string& text) {
  auto letter = [&](size_t at) {
    return at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])) != 0;
  };
  for (size_t at = 0; at + 3 <= text.size(); ++at) {
    std::string word = text.substr(at, 3);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if ((word == "nan" || word == "inf") && (at == 0 || !letter(at - 1)) && !letter(at + 3)) {
      return true;
    }
  }
  return false;
}

// Discards the drawing but stops the run when a text with a non-finite
// number is drawn: no listing or plot may show one. Titles and labels are
// echoed from the input, so the check is off for an input that holds "nan"
// or "inf" itself.
class CheckingCanvas : public DrawingRecord {
 public:
  CheckingCanvas() : DrawingRecord(1280, 800, TextMetrics{}) {}
  static bool& Enabled() {
    static bool enabled = true;
    return enabled;
  }
  void DrawText(int, int, const std::string& text) override {
    if (Enabled() && HasNonFiniteNumber(text)) std::abort();
  }
};

// Formats every listing line (so that code is fuzzed too) and drops it.
class NullListing : public DiscardingSink {
 public:
  bool ShowsLines() const override { return true; }
};

// Stops the run when a listing line holds a number that is not finite, as
// CheckingCanvas does for drawn text.
class CheckingListing : public NullListing {
 public:
  void Line(const std::string& text) override {
    if (CheckingCanvas::Enabled() && HasNonFiniteNumber(text)) std::abort();
  }
};

// Turns the text checks on unless the input itself holds "nan" or "inf".
inline void EnableTextChecksFor(const std::uint8_t* bytes, size_t size) {
  std::string text(reinterpret_cast<const char*>(bytes), size);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  CheckingCanvas::Enabled() =
      text.find("nan") == std::string::npos && text.find("inf") == std::string::npos;
}

// Watches a run as a window does, checking every listing line and plot; the
// questions are answered as unattended.
class CheckingObserver : public RunObserver {
 public:
  void Line(const std::string& text) override { listing_.Line(text); }
  void Message(const std::string&, const std::string&, MessageIcon) override {}
  void Iteration(const IterationEvent& event) override { event.Draw(canvas_); }

 private:
  CheckingListing listing_;
  CheckingCanvas canvas_;
};

}  // namespace layra::fuzz

#endif  // LAYRA_FUZZ_NULL_PLATFORM_H_
