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

py::object ToPython(const nlohmann::json& value) {
  switch (value.type()) {
    case nlohmann::json::value_t::object: {
      py::dict dict;
      for (const auto& [key, item] : value.items()) dict[py::str(key)] = ToPython(item);
      return std::move(dict);
    }
    case nlohmann::json::value_t::array: {
      py::list list(value.size());
      for (size_t i = 0; i < value.size(); ++i) list[i] = ToPython(value[i]);
      return std::move(list);
    }
    case nlohmann::json::value_t::string:
      return py::str(value.get_ref<const std::string&>());
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
  const std::string name = Lower(text);
  if (name == "wenner") return ArrayType::kWenner;
  if (name == "schlumberger") return ArrayType::kSchlumberger;
  Refuse("array: expected 'wenner' or 'schlumberger', got '" + text + "'");
}

EngineKind ParseEngine(const std::string& text) {
  const std::string name = Lower(text);
  if (name == EngineName(EngineKind::kDocumented)) return EngineKind::kDocumented;
  if (name == EngineName(EngineKind::kAccurate)) return EngineKind::kAccurate;
  Refuse("engine: expected 'documented' or 'accurate', got '" + text + "'");
}

}  // namespace layra::python
