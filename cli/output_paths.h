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
  const SameFileIndex input_index(inputs);
  for (const NamedPath& output : outputs) {
    const long input = input_index.Find(output.path);
    if (input >= 0) {
      return output.what + " " + output.path + " is the input file " +
             inputs[static_cast<size_t>(input)] + " of this run; choose another name.";
    }
  }
  if (!distinct_outputs) return std::string();
  std::vector<std::string> output_paths;
  for (const NamedPath& output : outputs) output_paths.push_back(output.path);
  const SameFileIndex output_index(output_paths);
  for (size_t k = 0; k < outputs.size(); ++k) {
    const long first = output_index.Find(outputs[k].path);
    if (first >= 0 && static_cast<size_t>(first) < k) {
      return outputs[k].what + " " + outputs[k].path + " is also the " +
             outputs[static_cast<size_t>(first)].what + " of this run; choose another name.";
    }
  }
  return std::string();
}

}  // namespace layra::cli

#endif  // LAYRA_CLI_OUTPUT_PATHS_H_
