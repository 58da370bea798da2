#include "python/conversions.h"

#include <algorithm>
#include <cctype>

namespace layra::python {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return static_cast<char>(std::tolower(c));
  });
  return text;
}

}  // namespace

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
