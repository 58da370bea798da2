#ifndef LAYRA_PLATFORM_LISTING_SINK_H_
#define LAYRA_PLATFORM_LISTING_SINK_H_

// Where the core's readers, calculations and runs report to the user: their
// listing lines, the messages shown in a box, the beep and console
// diagnostics. The front end decides where each goes (panel and message
// boxes, a terminal, nowhere); the core draws no listing, opens no window.

#include <string>

namespace layra {

enum class MessageIcon { kInformation, kExclamation, kQuestion };

class ListingSink {
 public:
  virtual ~ListingSink() = default;

  // The next line of the listing; "" (or blanks only) is an empty line.
  virtual void Line(const std::string& text) = 0;
  // A message the user acknowledges with OK.
  virtual void Message(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  void Warn(const std::string& text, const std::string& caption) {
    Message(text, caption, MessageIcon::kExclamation);
  }
  // The default system beep: the end of a read, a rejected step.
  virtual void Beep() {}
  // A diagnostic for the program's console, as given (with its line end).
  virtual void ConsoleLine(const std::string& /*text*/) {}
  // False when nobody reads the lines: callers may skip formatting them.
  virtual bool ShowsLines() const { return true; }

  // Each line of `text` (split at '\n') as a line of the listing.
  void Lines(const std::string& text) {
    for (size_t at = 0, end; at <= text.size(); at = end + 1) {
      end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      Line(text.substr(at, end - at));
    }
  }
};

class DiscardingSink : public ListingSink {  // for listings nobody reads
 public:
  void Line(const std::string&) override {}
  void Message(const std::string&, const std::string&, MessageIcon) override {}
  bool ShowsLines() const override { return false; }
};

}  // namespace layra

#endif  // LAYRA_PLATFORM_LISTING_SINK_H_
