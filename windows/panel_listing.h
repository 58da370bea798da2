#ifndef LAYRA_WINDOWS_PANEL_LISTING_H_
#define LAYRA_WINDOWS_PANEL_LISTING_H_

// The desktop's listing: the core's lines go to a window's Listing panel
// (empty lines are left out, as the panel separates blocks itself), its
// messages to message boxes and its beep to the system's.

#include <functional>
#include <string>
#include <utility>

#include "platform/listing_sink.h"
#include "windows/qt_host.h"

namespace layra {

class PanelListing : public ListingSink {
 public:
  PanelListing(QtHost& host, std::function<void(const std::string&)> add_line)
      : host_(host), add_line_(std::move(add_line)) {}

  void Line(const std::string& text) override {
    if (text.find_first_not_of(' ') != std::string::npos) add_line_(text);
  }
  void Message(const std::string& text, const std::string& caption, MessageIcon icon) override {
    host_.ShowMessage(text, caption, icon, MessageButtons::kOk);
  }
  void Beep() override { host_.Beep(); }
  void ConsoleLine(const std::string& text) override { host_.ConsoleLine(text); }

 private:
  QtHost& host_;
  std::function<void(const std::string&)> add_line_;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_PANEL_LISTING_H_
