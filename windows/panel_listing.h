#ifndef LAYRA_WINDOWS_PANEL_LISTING_H_
#define LAYRA_WINDOWS_PANEL_LISTING_H_

// How a desktop window follows a reader or a run: lines to its Listing panel
// (empty ones left out), messages to message boxes; each iteration to
// `follow`, then drawn on the canvas (when given); the questions, when
// `asks`, through the documented dialogs.

#include <functional>
#include <string>
#include <utility>

#include "inversion/inversion_driver.h"
#include "windows/qt_host.h"

namespace layra {

class PanelListing : public RunObserver {
 public:
  PanelListing(QtHost& host,
               std::function<void(const std::string&)> add_line,
               Canvas* canvas = nullptr,
               bool asks = false,
               std::function<void(const IterationEvent&)> follow = nullptr)
      : host_(host),
        add_line_(std::move(add_line)),
        canvas_(canvas),
        asks_(asks),
        follow_(std::move(follow)) {}

  void Line(const std::string& text) override {
    if (text.find_first_not_of(' ') != std::string::npos) add_line_(text);
  }
  void Message(const std::string& text, const std::string& caption, MessageIcon icon) override {
    host_.ShowMessage(text, caption, icon, MessageButtons::kOk);
  }
  void Beep() override { host_.Beep(); }
  void ConsoleLine(const std::string& text) override { host_.ConsoleLine(text); }
  void Iteration(const IterationEvent& event) override {
    if (follow_) follow_(event);
    if (canvas_ != nullptr) event.Draw(*canvas_);
  }
  void AskConvergenceLimit(InversionSettings& settings) override {
    if (asks_) host_.AskConvergenceLimit(settings);
  }
  int AskAdditionalIterations(const InversionSettings& settings) override {
    if (!asks_) return 0;
    InversionSettings asked = settings;
    host_.AskAdditionalIterations(asked);
    return asked.additionalIterations;
  }

 private:
  QtHost& host_;
  std::function<void(const std::string&)> add_line_;
  Canvas* canvas_;
  const bool asks_;
  std::function<void(const IterationEvent&)> follow_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_PANEL_LISTING_H_
