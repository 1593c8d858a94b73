// Operator catalogue loader: decodes apnlist.csv, splits its rows, drops MMS/WAP rows and merges
// rows that differ only in the operator name or country code.
#include "controller/apn_list.h"

#include <array>
#include <cstddef>
#include <unordered_map>

#include "common/platform.h"

namespace {

constexpr std::size_t kColumnSpan = 1000;  // characters examined after a row's first ";"
constexpr char16_t kReplacement = 0xFFFD;

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// UTF-16 in either byte order. A trailing odd byte and unpaired surrogates become U+FFFD, so
// a damaged file yields "?" in its text rather than undefined code units.
NativeString DecodeUtf16(std::string_view bytes, bool big_endian) {
  NativeString units;
  units.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first));
  }
  if (bytes.size() % 2 != 0) units.push_back(kReplacement);

  for (std::size_t i = 0; i < units.size(); ++i) {
    if (!IsSurrogate(units[i])) continue;
    if (IsHighSurrogate(units[i]) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      ++i;
      continue;
    }
    units[i] = kReplacement;
  }
  return units;
}

// The catalogue's text in 8-bit form. The byte-order mark chooses the decoding; without one the
// bytes are 8-bit text already. Everything from the first NUL on is not part of the text.
AnsiString DecodeCatalogue(std::string_view bytes) {
  auto up_to_nul = [](auto text) {
    const auto nul = text.find(static_cast<typename decltype(text)::value_type>(0));
    return nul == decltype(text)::npos ? text : text.substr(0, nul);
  };
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    const NativeString text = Utf8ToNative(bytes.substr(3));
    return NativeToAnsi(up_to_nul(std::u16string_view(text)));
  }
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    const NativeString text = DecodeUtf16(bytes.substr(2), bytes[0] == '\xFE');
    return NativeToAnsi(up_to_nul(std::u16string_view(text)));
  }
  return AnsiString(up_to_nul(bytes));
}

// Calls `each` with every line of `text`; CR LF, a lone LF and a lone CR all end a line, and a
// last line without a break counts.
template <typename Each>
void ForEachLine(std::string_view text, Each each) {
  // A plain scan: find_first_of with a two-character set costs a library call per character.
  std::size_t start = 0;
  for (std::size_t end = 0; end < text.size(); ++end) {
    if (text[end] != '\r' && text[end] != '\n') continue;
    each(text.substr(start, end - start));
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  if (start < text.size()) each(text.substr(start));
}

// The seven columns of a row, untrimmed, or false when it has fewer than six separators in
// reach. Column 7 keeps any further separators.
bool SplitRow(std::string_view line, std::array<std::string_view, 7>& columns) {
  std::size_t separator = line.find(';');
  if (separator == std::string_view::npos) return false;
  columns[0] = line.substr(0, separator);
  std::string_view rest = line.substr(separator + 1, kColumnSpan);
  for (std::size_t column = 1; column < 6; ++column) {
    separator = rest.find(';');
    if (separator == std::string_view::npos) return false;
    columns[column] = rest.substr(0, separator);
    rest.remove_prefix(separator + 1);
  }
  columns[6] = rest;
  return true;
}

bool IsMmsOrWapName(std::string_view name) {
  static constexpr std::array<std::string_view, 6> kSpellings = {"MMS", "mms", "Wap", "wap", "WAP", "Mms"};
  for (std::string_view spelling : kSpellings) {
    if (Contains(name, spelling)) return true;
  }
  return false;
}

// The columns two rows must share to be one entry. The views point into the kept entry's own
// fields, which never change once the entry is in the list (only Name grows).
struct MergeKey {
  std::string_view list_prefix;
  std::int32_t mnc;
  std::string_view apn;
  std::string_view user;
  std::string_view password;

  bool operator==(const MergeKey&) const = default;
};

struct MergeKeyHash {
  std::size_t operator()(const MergeKey& key) const noexcept {
    const std::hash<std::string_view> text_hash;
    std::size_t seed = std::hash<std::int32_t>{}(key.mnc);
    for (std::string_view text : {key.list_prefix, key.apn, key.user, key.password}) {
      seed ^= text_hash(text) + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2);
    }
    return seed;
  }
};

MergeKey KeyOf(const TApnElem& entry) {
  return {entry.ListPrefix, entry.Mnc, entry.Apn, entry.User, entry.Password};
}

}  // namespace

void LoadApnListFromContent(std::string_view content, TApnList& list, const CatalogueRowMirror& mirror) {
  // Entries already in the list take part in the merge like rows read earlier; the first entry
  // with a key absorbs later rows, as a front-to-back search of the list would find it.
  std::unordered_map<MergeKey, TApnElem*, MergeKeyHash> index;
  index.reserve(list.size() + content.size() / 32);
  for (const auto& entry : list) index.emplace(KeyOf(*entry), entry.get());

  const AnsiString text = DecodeCatalogue(content);
  ForEachLine(text, [&](std::string_view line) {
    std::array<std::string_view, 7> columns;
    if (!SplitRow(line, columns)) return;
    // Numbers are read before trimming: a space after the digits makes the value 0.
    const std::int32_t mcc = TextToInt(columns[1]);
    const std::int32_t mnc = TextToInt(columns[2]);
    if (mirror) mirror(AnsiString(columns[0]));
    if (IsMmsOrWapName(columns[0])) return;

    auto entry = std::make_unique<TApnElem>();
    entry->Name = Trim(columns[0]);
    entry->Mcc = mcc;
    entry->Mnc = mnc;
    entry->Apn = Trim(columns[3]);
    entry->User = Trim(columns[4]);
    entry->Password = Trim(columns[5]);
    entry->ListPrefix = Trim(columns[6]);

    const auto found = index.find(KeyOf(*entry));
    if (found != index.end()) {
      found->second->Name += ',';
      found->second->Name += entry->Name;
      return;
    }
    TApnElem* kept = entry.get();
    list.push_back(std::move(entry));
    index.emplace(KeyOf(*kept), kept);
  });
}

void LoadApnListFromFile(const std::string& path, TApnList& list, const CatalogueRowMirror& mirror) {
  LoadApnListFromContent(ReadWholeFile(path), list, mirror);
}
