// A compiled gettext catalogue (.mo) read from bytes: the translation of each English text.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

class MessageCatalogue {
 public:
  // Reads a .mo file of either byte order. A truncated or malformed file gives nothing and
  // says why in `error`, so a broken build shows English instead of garbage.
  static std::optional<MessageCatalogue> FromMo(std::span<const unsigned char> bytes, std::string* error);

  // The translation of `english`, or `english` itself when the catalogue has none or an empty one.
  std::string_view Translate(std::string_view english) const;
  // The same for a text whose msgid is shared by two meanings and told apart by a context.
  std::string_view Translate(std::string_view context, std::string_view english) const;

  bool Contains(std::string_view english) const { return translations_.contains(std::string(english)); }
  std::size_t size() const { return translations_.size(); }
  // The header's "Language:" ("ar", "pt_BR"); "" for English and for a catalogue without one.
  const std::string& Language() const { return language_; }

 private:
  std::unordered_map<std::string, std::string> translations_;
  std::string language_;
};
