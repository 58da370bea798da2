#ifndef LAYRA_PYTHON_COLLECTED_LISTING_H_
#define LAYRA_PYTHON_COLLECTED_LISTING_H_

// The listing of a read or a run, kept for the caller: every line in order,
// every message as "Caption: text" among them, and the first message, which
// says why a file was refused.

#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/host.h"
#include "platform/null_canvas.h"

namespace layra::python {

class CollectedListing : public NullCanvas, public Host {
 public:
  CollectedListing() : NullCanvas(RunPlots::kNone) {}

  // Canvas: each text drawn is the next line of the listing.
  void DrawText(int, int, const std::string& text) override {
    const size_t end = text.find_last_not_of(' ');
    lines_.push_back(end == std::string::npos ? std::string() : text.substr(0, end + 1));
  }
  bool ShowsText() const override { return true; }

  // Host: messages are kept; the only question of a run (another results
  // file name) is answered no.
  MessageAnswer ShowMessage(const std::string& text,
                            const std::string& caption,
                            MessageIcon,
                            MessageButtons buttons) override {
    if (first_message_.empty()) first_message_ = text;
    lines_.push_back(caption + ": " + text);
    return buttons == MessageButtons::kYesNo ? MessageAnswer::kNo : MessageAnswer::kOk;
  }
  void Beep() override {}
  bool ChooseOpenFile(std::string&, const std::string&) override { return false; }
  bool ChooseSaveFile(std::string&, const std::string&) override { return false; }
  int AskConvergenceLimit(InversionSettings&) override { return 2; }
  int AskAdditionalIterations(InversionSettings& settings) override {
    settings.additionalIterations = 0;
    return 2;
  }
  void ConsoleLine(const std::string&) override {}

  const std::vector<std::string>& lines() const { return lines_; }
  const std::string& first_message() const { return first_message_; }

 private:
  std::vector<std::string> lines_;
  std::string first_message_;
};

}  // namespace layra::python

#endif  // LAYRA_PYTHON_COLLECTED_LISTING_H_
