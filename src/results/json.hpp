// The result of a gauge as JSON: every number at full precision (shortest
// round-trip form), a value that is not a finite number as null with the
// reason in a sibling field "<key>_note".
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "results/result.hpp"

namespace results {

// Version of the layout of the JSON files; raised when a key changes meaning
// or goes away (adding keys does not change it).
constexpr int kSchemaVersion = 1;

using Json = nlohmann::ordered_json;

// obj[key] = v when v is finite; otherwise null, and obj[key + "_note"] =
// why (or, when why is empty, "not a number" / "infinite").
void put_number(Json& obj, const std::string& key, double v, const std::string& why = "");

// The whole result, with schema_version and the program's version.
Json to_json(const GaugeResult& r);

// The text of a JSON file: two-space indentation, a final line end.
std::string json_text(const Json& j);

}  // namespace results
