#ifndef LAYRA_FUZZ_NULL_PLATFORM_H_
#define LAYRA_FUZZ_NULL_PLATFORM_H_

// A canvas and a host that discard everything, for the fuzz targets, and a
// check that a text holds no number that is not finite.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/canvas.h"
#include "platform/host.h"

namespace layra::fuzz {

class NullCanvas : public Canvas {
 public:
  int Width() const override { return 1280; }
  int Height() const override { return 800; }
  TextMetrics Metrics() const override { return {}; }
  void Clear() override {}
  void DrawText(int, int, const std::string&) override {}
  Rgb SetTextColor(Rgb color) override { return color; }
  Pen SelectPen(const Pen& pen) override { return pen; }
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
  void Rectangle(int, int, int, int) override {}
  Rgb GetPixel(int, int) const override { return kWhite; }
  void SetPixel(int, int, Rgb) override {}
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
