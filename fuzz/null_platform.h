#ifndef LAYRA_FUZZ_NULL_PLATFORM_H_
#define LAYRA_FUZZ_NULL_PLATFORM_H_

// A canvas and a host that discard everything, for the fuzz targets, and a
// check that a text holds no number that is not finite.

#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "platform/canvas.h"
#include "platform/host.h"
#include "platform/null_canvas.h"

namespace layra::fuzz {

// A file in the temporary folder of this fuzz process: `name` + pid + suffix.
inline std::string TempPath(const std::string& name, const char* suffix) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = dir && *dir ? dir : "/tmp";
  return path + "/" + name + std::to_string(getpid()) + suffix;
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

// Draws every plot and listing onto nothing, so the drawing code is fuzzed
// too.
class NullCanvas : public layra::NullCanvas {
 public:
  NullCanvas() : layra::NullCanvas(RunPlots::kEach) {}
};

class NullHost : public Host {
 public:
  MessageAnswer ShowMessage(const std::string&,
                            const std::string&,
                            MessageIcon,
                            MessageButtons) override {
    return MessageAnswer::kOk;
  }
  void Beep() override {}
  bool ChooseOpenFile(std::string&, const std::string&) override { return false; }
  bool ChooseSaveFile(std::string&, const std::string&) override { return false; }
  int AskConvergenceLimit(InversionSettings&) override { return 1; }
  int AskAdditionalIterations(InversionSettings&) override { return 1; }
  void ConsoleLine(const std::string&) override {}
};

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
class CheckingCanvas : public NullCanvas {
 public:
  static bool& Enabled() {
    static bool enabled = true;
    return enabled;
  }
  void DrawText(int, int, const std::string& text) override {
    if (Enabled() && HasNonFiniteNumber(text)) std::abort();
  }
};

// Turns the text checks on unless the input itself holds "nan" or "inf".
inline void EnableTextChecksFor(const std::uint8_t* bytes, size_t size) {
  std::string text(reinterpret_cast<const char*>(bytes), size);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  CheckingCanvas::Enabled() =
      text.find("nan") == std::string::npos && text.find("inf") == std::string::npos;
}

// Answers every prompt with Cancel, so a run ends at its iteration limit.
class CancellingHost : public NullHost {
 public:
  explicit CancellingHost(std::string save_path) : save_path_(std::move(save_path)) {}
  bool ChooseSaveFile(std::string& path, const std::string&) override {
    path = save_path_;
    return true;
  }
  int AskConvergenceLimit(InversionSettings&) override { return 2; }
  int AskAdditionalIterations(InversionSettings& settings) override {
    settings.additionalIterations = 0;
    return 2;
  }

 private:
  std::string save_path_;
};

}  // namespace layra::fuzz

#endif  // LAYRA_FUZZ_NULL_PLATFORM_H_
