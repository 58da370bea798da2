#ifndef LAYRA_WINDOWS_SHELL_STATE_H_
#define LAYRA_WINDOWS_SHELL_STATE_H_

// What the documented windows share besides a sounding: chooser folders, the
// names last used, the dialog-result field, the last data-file read's status.

#include <string>

namespace layra {

struct ShellState {
  std::string dataDirectory;     // ends in a separator
  std::string resultsDirectory;  // ends in a separator
  std::string screenImageFileName;
  int dialogResult = 0;    // 1 OK, 2 Cancel
  int lastReadResult = 0;  // 0 read, 1 refused
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_SHELL_STATE_H_
