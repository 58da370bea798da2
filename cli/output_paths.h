#ifndef LAYRA_CLI_OUTPUT_PATHS_H_
#define LAYRA_CLI_OUTPUT_PATHS_H_

// The commands' check that no file they write is a file the same run reads
// (or another file it writes): `invert -o wenner.dat wenner.dat` must not
// put results over the data.

#include <string>
#include <utility>
#include <vector>

#include "fileio/same_file.h"

namespace layra::cli {

struct NamedPath {
  std::string what;  // "Results file", "Plot file", ...
  std::string path;
};

// The message refusing the first output that is the same file as an input,
// naming both, or else (with `distinct_outputs`) the first that is the same
// file as an earlier output; empty when all is well. Outputs with an empty
// path are not written and not checked.
inline std::string OutputOverInputMessage(const std::vector<NamedPath>& outputs,
                                          const std::vector<std::string>& inputs,
                                          bool distinct_outputs = true) {
  for (const NamedPath& output : outputs) {
    if (output.path.empty()) continue;
    for (const std::string& input : inputs) {
      if (IsSameFile(output.path, input)) {
        return output.what + " " + output.path + " is the input file " + input +
               " of this run; choose another name.";
      }
    }
  }
  for (size_t k = 0; distinct_outputs && k < outputs.size(); ++k) {
    for (size_t j = 0; j < k && !outputs[k].path.empty(); ++j) {
      if (IsSameFile(outputs[k].path, outputs[j].path)) {
        return outputs[k].what + " " + outputs[k].path + " is also the " + outputs[j].what +
               " of this run; choose another name.";
      }
    }
  }
  return std::string();
}

}  // namespace layra::cli

#endif  // LAYRA_CLI_OUTPUT_PATHS_H_
