// A text the user reads: its English pattern (the catalogue's key, marked N_) and the values of
// its named placeholders ("{path}"), each a plain 8-bit value or a text of its own. The log
// keeps the English; a window shows it in the user's language, as Unicode all the way.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/message_catalogue.h"
#include "common/text.h"

class UserText {
 public:
  UserText() = default;
  // Only a marked literal: a text put together at run time has no key in the catalogue.
  UserText(const char* english) : english_(english) {}  // NOLINT(google-explicit-constructor)

  // A copy with "{name}" filled by a value from the box, the system or a file (8-bit).
  UserText With(std::string_view name, std::string_view value) const;
  UserText With(std::string_view name, const char* value) const { return With(name, std::string_view(value)); }
  // ... or by a text the window already shows in the user's language (a system's reason).
  UserText With(std::string_view name, const NativeString& value) const;
  // ... or by another text, translated along with this one.
  UserText With(std::string_view name, const UserText& value) const;

  bool empty() const { return english_.empty(); }
  const std::string& Key() const { return english_; }

  // In English, for the log and the 8-bit world.
  AnsiString English() const;
  // In the catalogue's language; English where the catalogue has no text. In a language written
  // right to left each value is a bidi isolate (U+2068 ... U+2069) of its own.
  NativeString Shown(const MessageCatalogue& catalogue) const;

 private:
  struct Value {
    std::string name;
    std::string plain;
    std::optional<NativeString> shown;
    std::vector<UserText> text;  // one element when the value is a text
  };
  const Value* Find(std::string_view name) const;
  // Hands `piece` each run of plain text (value null) and each value a "{name}" of `pattern`
  // names; braces that name no value stay plain text.
  template <typename Piece>
  void Walk(std::string_view pattern, const Piece& piece) const;

  std::string english_;
  std::vector<Value> values_;
};

// A window's own text (a row of the layout table, a screen-reader name) in the catalogue's language.
NativeString ShownText(const MessageCatalogue& catalogue, const char* english);
