#ifndef LAYRA_PYTHON_SOUNDING_FILE_H_
#define LAYRA_PYTHON_SOUNDING_FILE_H_

// A data file as read_data read it, kept by layra.Sounding and handed back
// to write_data and invert. Never changed after the read.

#include <string>

#include "state/records.h"

namespace layra::python {

struct SoundingFile {
  std::string path;
  ProgramState state;
};

}  // namespace layra::python

#endif  // LAYRA_PYTHON_SOUNDING_FILE_H_
