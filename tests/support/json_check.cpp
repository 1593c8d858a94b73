#include "support/json_check.h"

#include <cctype>

namespace {

JsonValue Made(JsonValue::Kind kind, bool boolean = false) {
  JsonValue value;
  value.kind = kind;
  value.boolean = boolean;
  return value;
}

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  std::optional<JsonValue> Document() {
    std::optional<JsonValue> value = Value();
    SkipSpace();
    if (at_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  void SkipSpace() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  bool Take(char c) {
    SkipSpace();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool TakeWord(const char* word) {
    const std::string w(word);
    if (text_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }

  std::optional<JsonValue> Value() {
    SkipSpace();
    if (at_ >= text_.size()) return std::nullopt;
    const char c = text_[at_];
    if (c == '{') return Object();
    if (c == '[') return Array();
    if (c == '"') {
      std::optional<std::string> s = String();
      if (!s) return std::nullopt;
      JsonValue value = Made(JsonValue::Kind::kString);
      value.text = *s;
      return value;
    }
    if (TakeWord("true")) return Made(JsonValue::Kind::kBool, true);
    if (TakeWord("false")) return Made(JsonValue::Kind::kBool, false);
    if (TakeWord("null")) return JsonValue{};
    return Number();
  }

  std::optional<JsonValue> Number() {
    const std::size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    while (at_ < text_.size() &&
           (std::isdigit(static_cast<unsigned char>(text_[at_])) || text_[at_] == '.' || text_[at_] == 'e' ||
            text_[at_] == 'E' || text_[at_] == '+' || text_[at_] == '-')) {
      ++at_;
    }
    if (at_ == start) return std::nullopt;
    JsonValue value = Made(JsonValue::Kind::kNumber);
    value.text = text_.substr(start, at_ - start);
    return value;
  }

  std::optional<std::string> String() {
    if (!Take('"')) return std::nullopt;
    std::string s;
    while (at_ < text_.size() && text_[at_] != '"') {
      const auto byte = static_cast<unsigned char>(text_[at_]);
      if (byte < 0x20) return std::nullopt;
      if (text_[at_] == '\\') {
        if (++at_ >= text_.size()) return std::nullopt;
        const char e = text_[at_];
        if (e == 'u') {
          if (at_ + 4 >= text_.size()) return std::nullopt;
          s += static_cast<char>(std::stoi(text_.substr(at_ + 1, 4), nullptr, 16));
          at_ += 4;
        } else {
          const std::string escapes = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
          const std::size_t which = escapes.find(e);
          if (which == std::string::npos) return std::nullopt;
          s += meant[which];
        }
      } else {
        s += text_[at_];
      }
      ++at_;
    }
    if (at_ >= text_.size()) return std::nullopt;
    ++at_;
    return s;
  }

  std::optional<JsonValue> Array() {
    Take('[');
    JsonValue value = Made(JsonValue::Kind::kArray);
    if (Take(']')) return value;
    do {
      std::optional<JsonValue> item = Value();
      if (!item) return std::nullopt;
      value.items.push_back(*item);
    } while (Take(','));
    if (!Take(']')) return std::nullopt;
    return value;
  }

  std::optional<JsonValue> Object() {
    Take('{');
    JsonValue value = Made(JsonValue::Kind::kObject);
    if (Take('}')) return value;
    do {
      SkipSpace();
      std::optional<std::string> name = String();
      if (!name || !Take(':') || value.members.contains(*name)) return std::nullopt;
      std::optional<JsonValue> member = Value();
      if (!member) return std::nullopt;
      value.members[*name] = *member;
    } while (Take(','));
    if (!Take('}')) return std::nullopt;
    return value;
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

const JsonValue* Member(const JsonValue& object, const std::string& name) {
  const auto found = object.members.find(name);
  return found == object.members.end() ? nullptr : &found->second;
}

std::string TypeMismatch(const JsonValue& value, const std::string& type) {
  const bool integer =
      value.kind == JsonValue::Kind::kNumber && value.text.find_first_of(".eE") == std::string::npos;
  if (type == "object" && value.kind == JsonValue::Kind::kObject) return {};
  if (type == "string" && value.kind == JsonValue::Kind::kString) return {};
  if (type == "integer" && integer) return {};
  return "not of type " + type;
}

std::string MemberMismatch(const JsonValue& value, const JsonValue& schema) {
  if (const JsonValue* required = Member(schema, "required")) {
    for (const JsonValue& name : required->items) {
      if (!value.members.contains(name.text)) return "\"" + name.text + "\" missing";
    }
  }
  const JsonValue* properties = Member(schema, "properties");
  const JsonValue* additional = Member(schema, "additionalProperties");
  for (const auto& [name, member] : value.members) {
    const JsonValue* property = properties != nullptr ? Member(*properties, name) : nullptr;
    if (property == nullptr && additional != nullptr && additional->kind == JsonValue::Kind::kBool &&
        !additional->boolean) {
      return "\"" + name + "\" not allowed";
    }
    if (property == nullptr) continue;
    const std::string why = SchemaMismatch(member, *property);
    if (!why.empty()) return "\"" + name + "\" " + why;
  }
  return {};
}

}  // namespace

std::optional<JsonValue> ParseJson(const std::string& text) { return Reader(text).Document(); }

std::string SchemaMismatch(const JsonValue& value, const JsonValue& schema) {
  if (const JsonValue* one_of = Member(schema, "oneOf")) {
    std::string why;
    int matches = 0;
    for (const JsonValue& choice : one_of->items) {
      const std::string mismatch = SchemaMismatch(value, choice);
      if (mismatch.empty()) ++matches;
      why += (why.empty() ? "" : "; ") + mismatch;
    }
    return matches == 1 ? std::string() : "matches " + std::to_string(matches) + " of oneOf (" + why + ")";
  }
  if (const JsonValue* type = Member(schema, "type")) {
    const std::string why = TypeMismatch(value, type->text);
    if (!why.empty()) return why;
  }
  if (const JsonValue* allowed = Member(schema, "enum")) {
    bool found = false;
    for (const JsonValue& item : allowed->items)
      found = found || (value.kind == JsonValue::Kind::kString && item.text == value.text);
    if (!found) return "\"" + value.text + "\" not among the allowed values";
  }
  return value.kind == JsonValue::Kind::kObject ? MemberMismatch(value, schema) : std::string();
}
