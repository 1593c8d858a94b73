// The .mo reader: a header, then two tables of (length, offset) pairs into the file.
#include "common/message_catalogue.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::uint32_t kMagicSwapped = 0xde120495;
constexpr char kContextSeparator = '\x04';

class MoBytes {
 public:
  MoBytes(std::span<const unsigned char> bytes, bool big_endian) : bytes_(bytes), big_endian_(big_endian) {}

  std::optional<std::uint32_t> Word(std::size_t at) const {
    if (at > bytes_.size() || bytes_.size() - at < 4) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t index = big_endian_ ? at + i : at + 3 - i;
      value = (value << 8) | bytes_[index];
    }
    return value;
  }

  // The string the table entry at `entry` points to; nothing when it runs past the end.
  std::optional<std::string_view> StringAt(std::size_t entry) const {
    const auto length = Word(entry);
    const auto offset = Word(entry + 4);
    if (!length || !offset || *offset > bytes_.size() || bytes_.size() - *offset < *length)
      return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(bytes_.data()) + *offset, *length);
  }

 private:
  std::span<const unsigned char> bytes_;
  bool big_endian_;
};

// The value of the header's "Language:" line, trimmed.
std::string HeaderLanguage(std::string_view header) {
  constexpr std::string_view kField = "Language:";
  for (std::size_t line = 0; line < header.size();) {
    const std::size_t end = std::min(header.find('\n', line), header.size());
    std::string_view field = header.substr(line, end - line);
    if (field.starts_with(kField)) {
      field.remove_prefix(kField.size());
      const std::size_t first = field.find_first_not_of(" \t");
      const std::size_t last = field.find_last_not_of(" \t\r");
      return first == std::string_view::npos ? std::string()
                                             : std::string(field.substr(first, last - first + 1));
    }
    line = end + 1;
  }
  return {};
}

}  // namespace

std::optional<MessageCatalogue> MessageCatalogue::FromMo(std::span<const unsigned char> bytes,
                                                         std::string* error) {
  const auto fail = [&](const char* why) -> std::optional<MessageCatalogue> {
    if (error != nullptr) *error = why;
    return std::nullopt;
  };
  const auto little = MoBytes(bytes, false).Word(0);
  if (!little || (*little != kMagic && *little != kMagicSwapped)) return fail("not a .mo file");
  const MoBytes mo(bytes, *little == kMagicSwapped);
  const auto revision = mo.Word(4);
  const auto count = mo.Word(8);
  const auto originals = mo.Word(12);
  const auto translations = mo.Word(16);
  if (!revision || !count || !originals || !translations) return fail("the .mo header is cut short");
  if ((*revision >> 16) != 0) return fail("unknown .mo revision");
  MessageCatalogue catalogue;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const auto english = mo.StringAt(*originals + i * 8);
    const auto translated = mo.StringAt(*translations + i * 8);
    if (!english || !translated) return fail("a .mo entry points past the end of the file");
    if (english->empty()) catalogue.language_ = HeaderLanguage(*translated);
    // The header entry (empty msgid) and untranslated entries leave the English text in place.
    if (english->empty() || translated->empty()) continue;
    catalogue.translations_.emplace(std::string(*english), std::string(*translated));
  }
  return catalogue;
}

std::string_view MessageCatalogue::Translate(std::string_view english) const {
  const auto found = translations_.find(std::string(english));
  return found == translations_.end() ? english : std::string_view(found->second);
}

std::string_view MessageCatalogue::Translate(std::string_view context, std::string_view english) const {
  std::string key(context);
  key += kContextSeparator;
  key += english;
  const auto found = translations_.find(key);
  return found == translations_.end() ? english : std::string_view(found->second);
}
