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

// An empty object with room for `members` members. The library keeps an
// object's members in a vector and, when it grows, copies every member,
// subtrees and all (a member's key is const, so it cannot be moved): an
// object that will hold large members gets its room from the start.
Json object_with_room(std::size_t members = 16);

// The whole result, with schema_version and the program's version.
Json to_json(const GaugeResult& r);

// The text of a JSON file: two-space indentation, a final line end.
std::string json_text(const Json& j);

}  // namespace results
