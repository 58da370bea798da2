#ifndef LAYRA_PYTHON_SOUNDING_HANDLE_H_
#define LAYRA_PYTHON_SOUNDING_HANDLE_H_

// A data file as read_data read it, kept by layra.Sounding and handed back
// to write_data and invert. Never changed after the read: a run works on a
// copy of the document, so one Sounding may be inverted in several threads.

#include <memory>
#include <string>

#include "inversion/sounding_document.h"

namespace layra::python {

struct SoundingHandle {
  std::string path;
  std::shared_ptr<const SoundingDocument> document;
};

}  // namespace layra::python

#endif  // LAYRA_PYTHON_SOUNDING_HANDLE_H_
