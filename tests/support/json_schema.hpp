// A small validator of JSON Schema for the tests of the JSON files: the
// parts of draft 2020-12 that docs/result.schema.json and
// docs/findings.schema.json use.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "support/files.hpp"

namespace rivan6_test {

using json = nlohmann::json;

// s[key], or null when s has no such key.
inline const json& member(const json& s, const char* key) {
  static const json none;
  return s.contains(key) ? s[key] : none;
}

// A validator for the parts of JSON Schema that the layout uses: type,
// const, enum, properties, patternProperties, additionalProperties,
// required, items, prefixItems, oneOf, anyOf and $ref to "#/..." or to a
// sibling schema file (findings.schema.json: anything goes while it does
// not exist).
class JsonSchema {
 public:
  explicit JsonSchema(const fs::path& file) : dir_(file.parent_path()) { root_ = load(file); }

  // The errors of a value, each with the path of the value in it.
  std::vector<std::string> errors(const json& value) const {
    std::vector<std::string> out;
    walk(*root_, *root_, value, "$", out);
    return out;
  }

  const json& root() const { return *root_; }

 private:
  const json* load(const fs::path& file) const {
    auto& doc = files_[file.filename().string()];
    if (!doc) doc = std::make_unique<json>(json::parse(read_file(file)));
    return doc.get();
  }

  static bool has_type(const json& v, const std::string& type) {
    if (type == "integer") return v.is_number_integer();
    if (type == "number") return v.is_number();
    if (type == "string") return v.is_string();
    if (type == "boolean") return v.is_boolean();
    if (type == "null") return v.is_null();
    if (type == "object") return v.is_object();
    if (type == "array") return v.is_array();
    return false;
  }

  void walk(const json& doc, const json& s, const json& v, const std::string& at,
            std::vector<std::string>& out) const {
    auto fail = [&](const std::string& why) { out.push_back(at + ": " + why); };
    if (s.contains("$ref")) {
      const std::string ref = s["$ref"];
      if (ref.rfind("#/", 0) == 0) {
        const json::json_pointer ptr(ref.substr(1));
        if (!doc.contains(ptr))
          fail("unresolved $ref " + ref);
        else
          walk(doc, doc.at(ptr), v, at, out);
      } else if (fs::exists(dir_ / ref)) {
        const json* other = load(dir_ / ref);
        walk(*other, *other, v, at, out);
      } else if (ref != "findings.schema.json") {
        fail("unresolved $ref " + ref);
      }
    }
    if (s.contains("type")) {
      const json& t = s["type"];
      bool ok = false;
      for (const json& one : t.is_array() ? t : json::array({t})) ok = ok || has_type(v, one);
      if (!ok) return fail("is " + std::string(v.type_name()) + ", not " + t.dump());
    }
    if (s.contains("const") && v != s["const"]) fail(v.dump() + " is not " + s["const"].dump());
    if (s.contains("enum") && std::find(s["enum"].begin(), s["enum"].end(), v) == s["enum"].end())
      fail(v.dump() + " is not one of " + s["enum"].dump());
    for (const char* key : {"oneOf", "anyOf"}) {
      if (!s.contains(key)) continue;
      int matched = 0;
      std::vector<std::string> all;
      for (const json& alt : s[key]) {
        std::vector<std::string> e;
        walk(doc, alt, v, at, e);
        matched += e.empty();
        all.insert(all.end(), e.begin(), e.end());
      }
      if (matched == 0 || (matched > 1 && std::string(key) == "oneOf")) {
        fail(std::string(key) + " matched " + std::to_string(matched) + " alternatives");
        out.insert(out.end(), all.begin(), all.end());
      }
    }
    if (v.is_object()) {
      for (const json& key : member(s, "required"))
        if (!v.contains(key.get<std::string>())) fail("lacks required key " + key.dump());
      for (const auto& [key, item] : v.items()) {
        bool described = false;
        if (s.contains("properties") && s["properties"].contains(key)) {
          described = true;
          walk(doc, s["properties"][key], item, at + "." + key, out);
        }
        for (const auto& [pattern, sub] : member(s, "patternProperties").items())
          if (std::regex_search(key, std::regex(pattern))) {
            described = true;
            walk(doc, sub, item, at + "." + key, out);
          }
        if (!described && member(s, "additionalProperties") == json(false))
          fail("key \"" + key + "\" is not in the schema");
      }
    }
    if (v.is_array()) {
      std::size_t first = 0;
      if (s.contains("prefixItems"))
        for (; first < s["prefixItems"].size() && first < v.size(); ++first)
          walk(doc, s["prefixItems"][first], v[first], at + "[" + std::to_string(first) + "]", out);
      if (s.contains("items"))
        for (std::size_t i = first; i < v.size(); ++i)
          walk(doc, s["items"], v[i], at + "[" + std::to_string(i) + "]", out);
    }
  }

  fs::path dir_;
  const json* root_ = nullptr;
  mutable std::map<std::string, std::unique_ptr<json>> files_;
};

inline bool holds_null(const json& v) {
  return v.is_null() || (v.is_array() && std::any_of(v.begin(), v.end(), holds_null));
}

// Every "<key>_note" stands beside a key that is null or holds a null; with
// every_null_explained, every null value of an object has its note too.
inline void expect_notes_explain_nulls(const json& v, const std::string& at,
                                       bool every_null_explained = false) {
  if (v.is_object()) {
    for (const auto& [key, item] : v.items()) {
      if (key.size() > 5 && key.ends_with("_note")) {
        const std::string base = key.substr(0, key.size() - 5);
        EXPECT_TRUE(v.contains(base) && holds_null(v[base]))
            << at << "." << key << " stands beside no null";
      } else if (every_null_explained && item.is_null()) {
        EXPECT_TRUE(v.contains(key + "_note") && v[key + "_note"].is_string() &&
                    !v[key + "_note"].get<std::string>().empty())
            << at << "." << key << " is null without a note";
      }
      expect_notes_explain_nulls(item, at + "." + key, every_null_explained);
    }
  } else if (v.is_array()) {
    for (std::size_t i = 0; i < v.size(); ++i)
      expect_notes_explain_nulls(v[i], at + "[" + std::to_string(i) + "]", every_null_explained);
  }
}

// A field is described by its own description or by that of its $ref.
inline bool described(const JsonSchema& schema, const json& field) {
  if (field.contains("description")) return true;
  if (!field.contains("$ref")) return false;
  const std::string ref = field["$ref"];
  if (ref.rfind("#/", 0) != 0) return true;  // another file: checked there
  const json::json_pointer ptr(ref.substr(1));
  return schema.root().contains(ptr) && schema.root().at(ptr).contains("description");
}

// The schema itself: every object closed, every field described.
inline void expect_closed_and_described(const JsonSchema& schema, const json& s,
                                        const std::string& at) {
  if (s.is_array())
    for (std::size_t i = 0; i < s.size(); ++i)
      expect_closed_and_described(schema, s[i], at + "[" + std::to_string(i) + "]");
  if (!s.is_object()) return;
  if (s.contains("properties") || member(s, "type") == "object") {
    EXPECT_EQ(member(s, "additionalProperties"), json(false)) << at << " is not closed";
  }
  for (const auto& [key, field] : member(s, "properties").items())
    EXPECT_TRUE(described(schema, field)) << at << ".properties." << key << " has no description";
  for (const auto& [key, sub] : s.items()) expect_closed_and_described(schema, sub, at + "." + key);
}

}  // namespace rivan6_test
