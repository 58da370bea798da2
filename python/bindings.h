#ifndef LAYRA_PYTHON_BINDINGS_H_
#define LAYRA_PYTHON_BINDINGS_H_

// The parts of the module `layra._layra`, each adding its functions and
// types to the module.

#include <pybind11/pybind11.h>

namespace layra::python {

void BindForward(pybind11::module_& module);
void BindFiles(pybind11::module_& module);
void BindInvert(pybind11::module_& module);

}  // namespace layra::python

#endif  // LAYRA_PYTHON_BINDINGS_H_
