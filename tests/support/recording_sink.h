#ifndef LAYRA_TESTS_SUPPORT_RECORDING_SINK_H_
#define LAYRA_TESTS_SUPPORT_RECORDING_SINK_H_

// A listing sink for tests: keeps every line, message, beep and console line
// in order, so that what a reader or a run told the user can be asserted.

#include <string>
#include <vector>

#include "platform/listing_sink.h"

namespace layra::testing {

struct SinkMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

class RecordingSink : public ListingSink {
 public:
  void Line(const std::string& text) override { lines.push_back(text); }
  void Message(const std::string& text, const std::string& caption, MessageIcon icon) override {
    messages.push_back({text, caption, icon});
  }
  void Beep() override { ++beeps; }
  void ConsoleLine(const std::string& text) override { console.push_back(text); }

  // The lines that hold text (the empty ones left out).
  std::vector<std::string> TextLines() const {
    std::vector<std::string> text;
    for (const std::string& line : lines) {
      if (line.find_first_not_of(' ') != std::string::npos) text.push_back(line);
    }
    return text;
  }

  // Whether `text` is one of the lines.
  bool Listed(const std::string& text) const {
    for (const std::string& line : lines) {
      if (line == text) return true;
    }
    return false;
  }

  std::vector<std::string> lines;
  std::vector<SinkMessage> messages;
  std::vector<std::string> console;
  int beeps = 0;
};

}  // namespace layra::testing

#endif  // LAYRA_TESTS_SUPPORT_RECORDING_SINK_H_
