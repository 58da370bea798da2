#ifndef LAYRA_BENCH_QUIET_HOST_H_
#define LAYRA_BENCH_QUIET_HOST_H_

// A host for unattended runs: every question is answered with the choice that
// lets the run go on without more iterations, nothing is shown or printed, and
// a results file is written only where a name was already given.

#include <string>

#include "platform/host.h"
#include "state/records.h"

namespace layra {

class QuietHost : public Host {
 public:
  MessageAnswer ShowMessage(const std::string&,
                            const std::string&,
                            MessageIcon,
                            MessageButtons) override {
    return MessageAnswer::kNo;
  }
  void Beep() override {}
  bool ChooseOpenFile(std::string&, const std::string&) override { return false; }
  bool ChooseSaveFile(std::string& path, const std::string&) override { return !path.empty(); }
  int AskConvergenceLimit(InversionSettings&) override { return 1; }
  int AskAdditionalIterations(InversionSettings& settings) override {
    settings.additionalIterations = 0;
    return 1;
  }
  void ConsoleLine(const std::string&) override {}
};

}  // namespace layra

#endif  // LAYRA_BENCH_QUIET_HOST_H_
