#ifndef LAYRA_FUZZ_NULL_PLATFORM_H_
#define LAYRA_FUZZ_NULL_PLATFORM_H_

// A canvas and a host that discard everything, for the fuzz targets.

#include <string>

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

}  // namespace layra::fuzz

#endif  // LAYRA_FUZZ_NULL_PLATFORM_H_
