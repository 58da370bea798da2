#ifndef LAYRA_PYTHON_COLLECTED_LISTING_H_
#define LAYRA_PYTHON_COLLECTED_LISTING_H_

// The listing of a read or a run, kept for the caller: every line in order,
// every message as "Caption: text" among them, and the first message, which
// says why a file was refused. As a run's observer it answers the questions
// as an unattended run does (the limit kept, no more iterations).

#include <string>
#include <vector>

#include "inversion/inversion_driver.h"

namespace layra::python {

class CollectedListing : public RunObserver {
 public:
  void Line(const std::string& text) override {
    const size_t end = text.find_last_not_of(' ');
    Keep(end == std::string::npos ? std::string() : text.substr(0, end + 1));
  }
  void Message(const std::string& text, const std::string& caption, MessageIcon) override {
    if (first_message_.empty()) first_message_ = text;
    Keep(caption + ": " + text);
  }

  const std::vector<std::string>& lines() const { return lines_; }
  const std::string& first_message() const { return first_message_; }

 protected:
  // Every line as it is listed; a run's observer also passes it on.
  virtual void Keep(std::string line) { lines_.push_back(std::move(line)); }

 private:
  std::vector<std::string> lines_;
  std::string first_message_;
};

}  // namespace layra::python

#endif  // LAYRA_PYTHON_COLLECTED_LISTING_H_
