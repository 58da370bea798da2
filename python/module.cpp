// The extension module layra._layra; the package `layra` re-exports it.

#include "layra_version.h"
#include "python/bindings.h"

PYBIND11_MODULE(_layra, module) {
  module.doc() = "LAYRA's core: sounding files, forward responses and inversions.";
  module.attr("__version__") = LAYRA_VERSION;
  layra::python::BindForward(module);
  layra::python::BindFiles(module);
  layra::python::BindInvert(module);
}
