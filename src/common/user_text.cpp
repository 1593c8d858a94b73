// Fills a text's placeholders in English or in the user's language.
#include "common/user_text.h"

#include "common/user_language.h"

namespace {

// A value in a sentence written right to left keeps its own direction: without the isolates a
// path's slashes or an ID's digits would join the sentence's runs and show at the wrong end.
constexpr char16_t kFirstStrongIsolate = u'\u2068';
constexpr char16_t kPopDirectionalIsolate = u'\u2069';

}  // namespace

UserText UserText::With(std::string_view name, std::string_view value) const {
  UserText copy = *this;
  copy.values_.push_back({std::string(name), std::string(value), std::nullopt, {}});
  return copy;
}

UserText UserText::With(std::string_view name, const NativeString& value) const {
  UserText copy = *this;
  copy.values_.push_back({std::string(name), {}, value, {}});
  return copy;
}

UserText UserText::With(std::string_view name, const UserText& value) const {
  UserText copy = *this;
  copy.values_.push_back({std::string(name), {}, std::nullopt, {value}});
  return copy;
}

const UserText::Value* UserText::Find(std::string_view name) const {
  for (const Value& value : values_) {
    if (value.name == name) return &value;
  }
  return nullptr;
}

template <typename Piece>
void UserText::Walk(std::string_view pattern, const Piece& piece) const {
  std::size_t plain_from = 0;
  std::size_t open = pattern.find('{');
  while (open != std::string_view::npos) {
    const std::size_t close = pattern.find('}', open);
    if (close == std::string_view::npos) break;
    const Value* value = Find(pattern.substr(open + 1, close - open - 1));
    if (value == nullptr) {
      open = pattern.find('{', open + 1);
      continue;
    }
    piece(pattern.substr(plain_from, open - plain_from), nullptr);
    piece(std::string_view(), value);
    plain_from = close + 1;
    open = pattern.find('{', plain_from);
  }
  piece(pattern.substr(plain_from), nullptr);
}

AnsiString UserText::English() const {
  AnsiString out;
  Walk(english_, [&out](std::string_view plain, const Value* value) {
    if (value == nullptr) {
      out += plain;
    } else {
      if (!value->text.empty()) {
        out += value->text.front().English();
      } else {
        out += value->shown ? NativeToAnsi(*value->shown) : value->plain;
      }
    }
  });
  return out;
}

NativeString UserText::Shown(const MessageCatalogue& catalogue) const {
  // The empty key is the catalogue's header, not a text.
  if (english_.empty()) return {};
  const bool isolated = IsRightToLeft(catalogue.Language());
  NativeString out;
  Walk(catalogue.Translate(english_), [&](std::string_view plain, const Value* value) {
    if (value == nullptr) {
      out += Utf8ToNative(plain);
      return;
    }
    if (isolated) out += kFirstStrongIsolate;
    if (!value->text.empty()) {
      out += value->text.front().Shown(catalogue);
    } else {
      out += value->shown ? *value->shown : AnsiToNative(value->plain);
    }
    if (isolated) out += kPopDirectionalIsolate;
  });
  return out;
}

NativeString ShownText(const MessageCatalogue& catalogue, const char* english) {
  return UserText(english).Shown(catalogue);
}
