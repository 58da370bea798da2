#ifndef LAYRA_WINDOWS_FILE_DIALOG_DESCRIPTION_H_
#define LAYRA_WINDOWS_FILE_DIALOG_DESCRIPTION_H_

// The one description every file chooser of the program is run from. The
// main window prepares it once; each call fills in its own owner, names,
// title and flags anew, so nothing of one call carries over to the next.

#include <string>

class QWidget;

namespace layra {

struct FileDialogSpec {
  enum Flags : unsigned {
    kNone = 0,
    kOverwritePrompt = 0x2,  // save: ask before replacing an existing file
    kCreatePrompt = 0x2000,  // open: ask before naming a file that does not exist
  };

  QWidget* owner = nullptr;
  // The one filter offered besides a default pattern. The chooser filters by
  // "*", which also shows files without an extension.
  std::string filterText = "All Files";
  std::string filterPattern = "*";
  // On entry the default name or pattern; after a choice the chosen full path.
  std::string fileName;
  // After a choice the chosen file's name without its directory.
  std::string fileTitle;
  // Where the chooser starts when the default name has no directory of its own:
  // the directory of the last data file read (the program directory at start).
  std::string initialDirectory;
  std::string title;
  unsigned flags = kNone;
};

}  // namespace layra

#endif  // LAYRA_WINDOWS_FILE_DIALOG_DESCRIPTION_H_
