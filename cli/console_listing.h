#ifndef LAYRA_CLI_CONSOLE_LISTING_H_
#define LAYRA_CLI_CONSOLE_LISTING_H_

// The command line's listing of a reader or a run: lines to a stream (empty
// ones only between lines of text), messages to the error stream as
// "Caption: text" without waiting; beeps are dropped.

#include <ostream>
#include <string>

#include "inversion/inversion_driver.h"

namespace layra::cli {

class ConsoleListing : public RunObserver {
 public:
  // `out` null: the lines are dropped.
  ConsoleListing(std::ostream* out, std::ostream& err) : out_(out), err_(err) {}

  void Line(const std::string& text) override {
    if (out_ == nullptr) return;
    if (text.find_first_not_of(' ') == std::string::npos) {
      if (listed_) ++empty_lines_;
      return;
    }
    for (; empty_lines_ > 0; --empty_lines_) *out_ << '\n';
    *out_ << text << '\n';
    listed_ = true;
  }
  void Message(const std::string& text, const std::string& caption, MessageIcon /*icon*/) override {
    err_ << caption << ": " << text << '\n';
    err_.flush();
  }
  void ConsoleLine(const std::string& text) override { err_ << text; }
  bool ShowsLines() const override { return out_ != nullptr; }

 private:
  std::ostream* out_;
  std::ostream& err_;
  bool listed_ = false;  // a line of text has been printed
  int empty_lines_ = 0;  // empty lines since the last line of text
};

}  // namespace layra::cli

#endif  // LAYRA_CLI_CONSOLE_LISTING_H_
