#ifndef LAYRA_PYTHON_CONVERSIONS_H_
#define LAYRA_PYTHON_CONVERSIONS_H_

// Conversions between Python values and the core's: numpy arrays of doubles
// in and out, refusals as ValueError, warnings as Python warnings.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "state/engine_options.h"
#include "state/records.h"

namespace layra::python {

namespace py = pybind11;

// Any array-like of numbers (list, tuple, numpy array of any numeric type),
// converted to contiguous doubles by pybind11.
using DoubleArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

inline std::vector<double> ToVector(const DoubleArray& values) {
  return std::vector<double>(values.data(), values.data() + values.size());
}

// A new numpy array of `shape` holding `values` (as many as the shape has).
inline DoubleArray ToArray(const std::vector<double>& values, std::vector<py::ssize_t> shape) {
  DoubleArray array(std::move(shape));
  std::copy(values.begin(), values.end(), array.mutable_data());
  return array;
}

inline DoubleArray ToArray(const std::vector<double>& values) {
  return ToArray(values, {static_cast<py::ssize_t>(values.size())});
}

// Input the module refuses: raised as ValueError with `message`.
[[noreturn]] inline void Refuse(const std::string& message) { throw py::value_error(message); }

// A warning the core gives about a result, as a Python UserWarning (an
// error where the caller's warning filters make warnings errors).
inline void Warn(const std::string& message) {
  if (PyErr_WarnEx(PyExc_UserWarning, message.c_str(), 1) != 0) throw py::error_already_set();
}

// A text of the core as a Python str. Texts from files need not be UTF-8
// (a title saved in Latin-1): bytes that are not become U+FFFD.
py::str Text(const std::string& text);
py::list Texts(const std::vector<std::string>& texts);

// A JSON value as Python values: objects as dicts, arrays as lists, numbers
// as int or float, null as None.
py::object ToPython(const nlohmann::json& value);

// "wenner" or "schlumberger" (any case); anything else is refused.
ArrayType ParseArray(const std::string& text);
// "documented" or "accurate" (any case); anything else is refused.
EngineKind ParseEngine(const std::string& text);

}  // namespace layra::python

#endif  // LAYRA_PYTHON_CONVERSIONS_H_
