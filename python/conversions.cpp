#include "python/conversions.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace layra::python {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return static_cast<char>(std::tolower(c));
  });
  return text;
}

}  // namespace

py::str Text(const std::string& text) {
  PyObject* decoded =
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

py::list Texts(const std::vector<std::string>& texts) {
  py::list list;
  for (const std::string& text : texts) list.append(Text(text));
  return list;
}

py::object ToPython(const nlohmann::json& value) {
  switch (value.type()) {
    case nlohmann::json::value_t::object: {
      py::dict dict;
      for (const auto& [key, item] : value.items()) dict[Text(key)] = ToPython(item);
      return std::move(dict);
    }
    case nlohmann::json::value_t::array: {
      py::list list(value.size());
      for (size_t i = 0; i < value.size(); ++i) list[i] = ToPython(value[i]);
      return std::move(list);
    }
    case nlohmann::json::value_t::string:
      return Text(value.get_ref<const std::string&>());
    case nlohmann::json::value_t::boolean:
      return py::bool_(value.get<bool>());
    case nlohmann::json::value_t::number_integer:
      return py::int_(value.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned:
      return py::int_(value.get<std::uint64_t>());
    case nlohmann::json::value_t::number_float:
      return py::float_(value.get<double>());
    default:
      return py::none();
  }
}

ArrayType ParseArray(const std::string& text) {
  ArrayType type = ArrayType::kSchlumberger;
  if (ArrayTypeOfName(Lower(text), &type)) return type;
  std::string names;
  for (const std::string& name : ArrayTypeNames())
    names += (names.empty() ? "'" : " or '") + name + "'";
  Refuse("array: expected " + names + ", got '" + text + "'");
}

EngineKind ParseEngine(const std::string& text) {
  const std::string name = Lower(text);
  if (name == EngineName(EngineKind::kDocumented)) return EngineKind::kDocumented;
  if (name == EngineName(EngineKind::kAccurate)) return EngineKind::kAccurate;
  Refuse("engine: expected 'documented' or 'accurate', got '" + text + "'");
}

}  // namespace layra::python
