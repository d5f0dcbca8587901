#pragma once
// The one way a command writes its JSON document: through the library, field names in the order
// the command gives them, one line. Text that is not UTF-8 cannot stop the output: such bytes are
// replaced, never passed through.
#include <string>

#include <nlohmann/json.hpp>

namespace ostrada::cli {

using JsonDocument = nlohmann::ordered_json;

inline std::string JsonDump(const JsonDocument& document) {
  return document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace ostrada::cli
