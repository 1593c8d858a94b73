// A small JSON reader and a checker for the part of JSON Schema the test schemas use: oneOf,
// type (object, string, integer), enum of strings, required, properties, additionalProperties.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  std::string text;  // a string's value, or a number as written
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;
};

// Nothing when `text` is not one JSON value (with white space around it at most).
std::optional<JsonValue> ParseJson(const std::string& text);

// Empty when `value` matches `schema`; else why not.
std::string SchemaMismatch(const JsonValue& value, const JsonValue& schema);
