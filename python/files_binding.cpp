// The file readers and the data-file writer of the module: each read gives
// the record layra-cli prints with --json for the same file, and the
// reader's listing; refusals raise.

#include <pybind11/stl.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/json_records.h"
#include "fileio/data_file.h"
#include "fileio/model_file.h"
#include "fileio/results_file.h"
#include "fileio/synthetic_data.h"
#include "python/bindings.h"
#include "python/collected_listing.h"
#include "python/conversions.h"
#include "python/sounding_handle.h"

namespace layra::python {
namespace {

// A file that cannot be opened raises OSError (FileNotFoundError and the
// like) with the system's reason; the readers refuse such a file without a
// message. Other file kinds (a folder) go to the reader, which names them.
void CheckReadable(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
    throw py::error_already_set();
  }
  std::fclose(file);
}

// A refused read: ValueError with the reader's first message.
[[noreturn]] void RefuseFile(const std::string& kind,
                             const std::string& path,
                             const CollectedListing& listing) {
  const std::string& message = listing.first_message();
  Refuse(kind + " " + path + " was not read" + (message.empty() ? "." : ": " + message));
}

py::tuple ReadData(const std::string& path) {
  CheckReadable(path);
  auto handle = std::make_shared<SoundingHandle>();
  handle->path = path;
  CollectedListing listing;
  {
    py::gil_scoped_release released;
    handle->document = ReadSoundingDocument(path, listing);
  }
  if (handle->document == nullptr) RefuseFile("Data file", path, listing);
  return py::make_tuple(
      handle, ToPython(cli::SoundingToJson(*handle->document)), Texts(listing.lines()));
}

py::tuple ReadModel(const std::string& path) {
  CheckReadable(path);
  // The record holds 64 x 64 SIP arrays; keep it off the stack.
  auto model = std::make_unique<ForwardModel>();
  CollectedListing listing;
  int status = 0;
  {
    py::gil_scoped_release released;
    status = ReadModelFile(path, *model, listing);
  }
  if (status != 0) RefuseFile("Model file", path, listing);
  return py::make_tuple(ToPython(cli::ForwardModelToJson(*model)), Texts(listing.lines()));
}

py::tuple ReadResults(const std::string& path) {
  CheckReadable(path);
  auto results = std::make_unique<InversionResults>();
  CollectedListing listing;
  int status = 0;
  {
    py::gil_scoped_release released;
    status = ReadResultsFile(path, *results, listing);
  }
  if (status != 0) RefuseFile("Results file", path, listing);
  return py::make_tuple(ToPython(cli::InversionResultsToJson(*results)), Texts(listing.lines()));
}

void WriteData(const SoundingHandle& file, const std::string& path) {
  if (file.document->data.dataKind == DataKind::kSip) {
    Refuse(
        "write_data: SIP data are not written; the data file writer takes resistivity and IP "
        "soundings");
  }
  std::string error;
  bool written = false;
  {
    py::gil_scoped_release released;
    written = WriteDataFile(file.document->data, path, &error);
  }
  if (!written) {
    PyErr_SetString(PyExc_OSError, ("Cannot write the data file " + error).c_str());
    throw py::error_already_set();
  }
}

}  // namespace

void BindFiles(py::module_& module) {
  py::class_<SoundingHandle, std::shared_ptr<SoundingHandle>>(
      module, "_SoundingFile", "A sounding data file as read; layra.Sounding keeps it.")
      .def_readonly("path", &SoundingHandle::path);
  module.def("read_data", &ReadData, py::arg("path"));
  module.def("read_model", &ReadModel, py::arg("path"));
  module.def("read_results", &ReadResults, py::arg("path"));
  module.def("write_data", &WriteData, py::arg("sounding"), py::arg("path"));
}

}  // namespace layra::python
