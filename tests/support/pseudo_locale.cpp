// The pseudo-translation: the template's keys read, each text accented and lengthened, compiled
// into a catalogue as msgfmt would.
#include "support/pseudo_locale.h"

#include <cstdint>
#include <optional>
#include <stdexcept>

#include "common/translations.h"

namespace {

// Accented forms from Latin-1 and Latin Extended-A (and ƒ), which every face of the layout
// carries; letters without such a form stay plain.
constexpr const char* kAccentedLower[26] = {"à", "b", "ç", "ď", "é", "ƒ", "ĝ", "ĥ", "î", "ĵ", "ķ", "ļ", "m",
                                            "ñ", "ö", "p", "q", "ŕ", "š", "ţ", "û", "v", "ŵ", "x", "ý", "ž"};
constexpr const char* kAccentedUpper[26] = {"Å", "B", "Ç", "Ď", "É", "F", "Ĝ", "Ĥ", "Î", "Ĵ", "Ķ", "Ļ", "M",
                                            "Ñ", "Ö", "P", "Q", "Ŕ", "Ŝ", "Ţ", "Û", "V", "Ŵ", "X", "Ý", "Ž"};
constexpr char kFiller = '~';

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsWordCharacter(char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }

std::string Accented(char c) {
  if (c >= 'a' && c <= 'z') return kAccentedLower[c - 'a'];
  if (c >= 'A' && c <= 'Z') return kAccentedUpper[c - 'A'];
  return std::string(1, c);
}

// The filler a text of `length` characters needs to be 40 % longer, rounded up.
std::size_t FillerFor(std::size_t length) { return (length * 4 + 9) / 10; }

// The text of one quoted string of a .po line, its escapes undone.
std::string Unquoted(std::string_view line) {
  const std::size_t open = line.find('"');
  const std::size_t close = line.rfind('"');
  if (open == std::string_view::npos || close <= open) throw std::runtime_error("a .po line without its quotes");
  std::string text;
  for (std::size_t i = open + 1; i < close; ++i) {
    if (line[i] != '\\' || i + 1 == close) {
      text += line[i];
      continue;
    }
    const char escaped = line[++i];
    text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
  }
  return text;
}

}  // namespace

std::vector<std::string> TemplateKeys(std::string_view pot) {
  std::vector<std::string> keys;
  std::optional<std::string> context;
  std::string msgid;
  std::string ignored;
  std::string* filling = &ignored;  // the field a continuation line adds to
  std::size_t at = 0;
  while (at < pot.size()) {
    std::size_t end = pot.find('\n', at);
    if (end == std::string_view::npos) end = pot.size();
    const std::string_view line = pot.substr(at, end - at);
    at = end + 1;
    if (line.starts_with("msgctxt ")) {
      context = Unquoted(line);
      filling = &*context;
    } else if (line.starts_with("msgid ")) {
      msgid = Unquoted(line);
      filling = &msgid;
    } else if (line.starts_with("msgid_plural ") || line.starts_with("msgstr")) {
      // The key is whole once its translation begins; the header's empty one is no text.
      if (!msgid.empty()) keys.push_back(context ? *context + '\x04' + msgid : msgid);
      context.reset();
      msgid.clear();
      filling = &ignored;
    } else if (line.starts_with('"')) {
      *filling += Unquoted(line);
    }
  }
  return keys;
}

std::string PseudoTranslation(std::string_view english) {
  std::string shown;
  std::size_t length = 0;       // characters of the English outside placeholders
  std::size_t word = 0;         // characters of the word being written
  std::size_t added = 0;        // filler written so far
  std::size_t last_word_end = 0;  // where in `shown` the last word ended
  const auto end_word = [&] {
    if (word == 0) return;
    shown.append(FillerFor(word), kFiller);
    added += FillerFor(word);
    last_word_end = shown.size();
    word = 0;
  };
  for (std::size_t i = 0; i < english.size(); ++i) {
    const char c = english[i];
    if (c == '{') {
      const std::size_t close = english.find('}', i);
      if (close != std::string_view::npos) {
        end_word();
        shown += english.substr(i, close + 1 - i);
        i = close;
        continue;
      }
    }
    const bool continuation_byte = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
    if (!continuation_byte) ++length;
    if (c == '&' && i + 1 < english.size() && IsWordCharacter(english[i + 1])) {
      // The access key's letter stays one the keyboard types.
      shown += english.substr(i, 2);
      ++i;
      ++length;
      ++word;
      continue;
    }
    if (IsWordCharacter(c)) {
      shown += Accented(c);
      ++word;
      continue;
    }
    end_word();
    shown += c;
  }
  end_word();
  // Short words round up and spaces do not grow: the last word takes what the whole still lacks.
  if (FillerFor(length) > added) shown.insert(last_word_end, FillerFor(length) - added, kFiller);
  return shown;
}

std::vector<unsigned char> MoFileBytes(const std::vector<std::pair<std::string, std::string>>& entries,
                                       bool big_endian) {
  std::vector<unsigned char> bytes;
  const auto word = [&](std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      const int shift = big_endian ? 24 - 8 * i : 8 * i;
      bytes.push_back(static_cast<unsigned char>(value >> shift));
    }
  };
  const auto count = static_cast<std::uint32_t>(entries.size());
  const std::uint32_t originals = 28;
  const std::uint32_t translations = originals + count * 8;
  std::uint32_t strings = translations + count * 8;
  for (std::uint32_t value : {0x950412deu, 0u, count, originals, translations, 0u, 0u}) word(value);
  std::string pool;
  for (int side = 0; side < 2; ++side) {
    for (const auto& [english, translated] : entries) {
      const std::string& text = side == 0 ? english : translated;
      word(static_cast<std::uint32_t>(text.size()));
      word(strings + static_cast<std::uint32_t>(pool.size()));
      pool += text;
      pool += '\0';
    }
  }
  bytes.insert(bytes.end(), pool.begin(), pool.end());
  return bytes;
}

MessageCatalogue PseudoCatalogue() {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& key : TemplateKeys(CatalogueTemplate())) {
    const std::size_t separator = key.find('\x04');
    const std::string english = separator == std::string::npos ? key : key.substr(separator + 1);
    entries.emplace_back(key, PseudoTranslation(english));
  }
  std::string error;
  std::optional<MessageCatalogue> catalogue = MessageCatalogue::FromMo(MoFileBytes(entries), &error);
  if (!catalogue) throw std::runtime_error("the pseudo-translation does not compile: " + error);
  return std::move(*catalogue);
}

std::string_view TranslatedKey(const MessageCatalogue& texts, std::string_view key) {
  const std::size_t context_end = key.find('\x04');
  if (context_end == std::string_view::npos) return texts.Translate(key);
  return texts.Translate(key.substr(0, context_end), key.substr(context_end + 1));
}

std::vector<FitLanguage> FitLanguages() {
  std::vector<FitLanguage> languages = {{"English", "", std::nullopt}};
  for (const std::string_view shipped : ShippedLanguages()) {
    languages.push_back({std::string(shipped), std::string(shipped), std::nullopt});
  }
  languages.push_back({"pseudo", "", PseudoCatalogue()});
  return languages;
}
