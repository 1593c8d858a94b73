// Operator catalogue loader: decodes apnlist.csv, splits its rows, drops MMS/WAP rows and merges
// rows that differ only in the operator name or country code.
#include "controller/catalogue.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstring>
#include <vector>

#include "common/platform.h"
#include "common/text.h"

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

// The catalogue's text in 8-bit form. The byte-order mark chooses the decoding, into `decoded`;
// without one the bytes are 8-bit text already and are used where they are, uncopied.
// Everything from the first NUL on is not part of the text.
std::string_view DecodeCatalogue(std::string_view bytes, AnsiString& decoded) {
  auto up_to_nul = [](auto text) {
    const auto nul = text.find(static_cast<typename decltype(text)::value_type>(0));
    return nul == decltype(text)::npos ? text : text.substr(0, nul);
  };
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    const NativeString text = Utf8ToNative(bytes.substr(3));
    decoded = NativeToAnsi(up_to_nul(std::u16string_view(text)));
    return decoded;
  }
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    const NativeString text = DecodeUtf16(bytes.substr(2), bytes[0] == '\xFE');
    decoded = NativeToAnsi(up_to_nul(std::u16string_view(text)));
    return decoded;
  }
  return up_to_nul(bytes);
}

// Where `wanted` next occurs in [from, end), or `end`.
const char* NextOf(const char* from, const char* end, char wanted) {
  const void* found = std::memchr(from, wanted, static_cast<std::size_t>(end - from));
  return found != nullptr ? static_cast<const char*>(found) : end;
}

// Calls `each` with every line of `text`; CR LF, a lone LF and a lone CR all end a line, and a
// last line without a break counts. The next CR and the next LF are each found with memchr,
// which scans many bytes a step, and looked for again only once the lines have passed them.
template <typename Each>
void ForEachLine(std::string_view text, Each each) {
  const char* const end = text.data() + text.size();
  const char* start = text.data();
  const char* cr = NextOf(start, end, '\r');
  const char* lf = NextOf(start, end, '\n');
  while (start < end) {
    if (cr < start) cr = NextOf(start, end, '\r');
    if (lf < start) lf = NextOf(start, end, '\n');
    const char* const stop = std::min(cr, lf);
    each(std::string_view(start, static_cast<std::size_t>(stop - start)));
    if (stop == end) return;
    start = stop + 1;
    if (*stop == '\r' && start < end && *start == '\n') ++start;
  }
}

// The number of line feeds in `text`.
std::size_t LineFeeds(std::string_view text) {
  const char* const end = text.data() + text.size();
  std::size_t count = 0;
  for (const char* at = NextOf(text.data(), end, '\n'); at != end; at = NextOf(at + 1, end, '\n')) ++count;
  return count;
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

// The columns two rows must share to be one entry, viewing either a kept entry's own fields
// (which never change once it is in the list; only Name grows) or the row being looked up.
struct MergeKey {
  std::string_view list_prefix;
  std::int32_t mnc;
  std::string_view apn;
  std::string_view user;
  std::string_view password;

  bool operator==(const MergeKey&) const = default;
};

std::size_t HashOf(const MergeKey& key) {
  const std::hash<std::string_view> text_hash;
  std::size_t seed = std::hash<std::int32_t>{}(key.mnc);
  for (std::string_view text : {key.list_prefix, key.apn, key.user, key.password}) {
    seed ^= text_hash(text) + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2);
  }
  return seed;
}

MergeKey KeyOf(const CatalogueEntry& entry) {
  return {entry.ListPrefix, entry.Mnc, entry.Apn, entry.User, entry.Password};
}

// The entries by merge key: open addressing in one array of short slots, each a part of the
// key's hash and the entry's place in the list. A node per entry would cost an allocation per
// row and, when the index goes, a free per row; and a big catalogue's index outgrows the
// caches, so the smaller the slots the fewer probes go to memory. The stored hash keeps most
// probes out of the entries' texts.
class MergeIndex {
 public:
  MergeIndex(const Catalogue& list, std::size_t expected)
      : list_(list), slots_(std::bit_ceil(std::max<std::size_t>(16, expected * 2))) {}

  CatalogueEntry* Find(const MergeKey& key, std::size_t hash) const {
    const auto tag = Tag(hash);
    for (std::size_t at = hash & Mask(); slots_[at].place != kFree; at = (at + 1) & Mask()) {
      if (slots_[at].tag != tag) continue;
      CatalogueEntry* const entry = list_[slots_[at].place].get();
      if (KeyOf(*entry) == key) return entry;
    }
    return nullptr;
  }

  // The entry at `place` in the list, whose key is not in the index yet.
  void Insert(std::size_t place, std::size_t hash) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    Put(Slot{Tag(hash), static_cast<std::uint32_t>(place)}, hash);
    ++used_;
  }

 private:
  struct Slot {
    std::uint32_t tag = 0;
    std::uint32_t place = kFree;
  };
  static constexpr std::uint32_t kFree = 0xFFFFFFFF;

  // The hash's top 32 bits: the low bits choose the slot already. A 32-bit hash is all top.
  static std::uint32_t Tag(std::size_t hash) {
    return static_cast<std::uint32_t>(hash >> (sizeof hash * CHAR_BIT - 32));
  }
  std::size_t Mask() const { return slots_.size() - 1; }

  void Put(const Slot& slot, std::size_t hash) {
    std::size_t at = hash & Mask();
    while (slots_[at].place != kFree) at = (at + 1) & Mask();
    slots_[at] = slot;
  }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.place != kFree) Put(slot, HashOf(KeyOf(*list_[slot.place])));
    }
  }

  const Catalogue& list_;
  std::vector<Slot> slots_;  // a power of two in size, never more than half full
  std::size_t used_ = 0;
};

}  // namespace

void LoadCatalogueFromContent(std::string_view content, Catalogue& list, const CatalogueRowMirror& mirror) {
  // Entries already in the list take part in the merge like rows read earlier; the first entry
  // with a key absorbs later rows, as a front-to-back search of the list would find it.
  AnsiString decoded;
  const std::string_view text = DecodeCatalogue(content, decoded);
  // A row per line feed; a file whose lines end in a lone CR makes the index grow instead.
  MergeIndex index(list, list.size() + LineFeeds(text) + 1);
  for (std::size_t place = 0; place < list.size(); ++place) {
    const MergeKey key = KeyOf(*list[place]);
    const std::size_t hash = HashOf(key);
    if (index.Find(key, hash) == nullptr) index.Insert(place, hash);
  }

  ForEachLine(text, [&](std::string_view line) {
    std::array<std::string_view, 7> columns;
    if (!SplitRow(line, columns)) return;
    // Numbers are read before trimming: a space after the digits makes the value 0.
    const std::int32_t mcc = TextToInt(columns[1]);
    const std::int32_t mnc = TextToInt(columns[2]);
    if (mirror) mirror(AnsiString(columns[0]));
    if (IsMmsOrWapName(columns[0])) return;

    // A merged row only lengthens a name, so the row is looked up before an entry is made.
    const std::string_view name = TrimmedView(columns[0]);
    const MergeKey key{TrimmedView(columns[6]), mnc, TrimmedView(columns[3]), TrimmedView(columns[4]),
                       TrimmedView(columns[5])};
    const std::size_t hash = HashOf(key);
    if (CatalogueEntry* const kept = index.Find(key, hash)) {
      kept->Name += ',';
      kept->Name += name;
      return;
    }
    auto entry = std::make_unique<CatalogueEntry>();
    entry->Name = name;
    entry->Mcc = mcc;
    entry->Mnc = mnc;
    entry->Apn = key.apn;
    entry->User = key.user;
    entry->Password = key.password;
    entry->ListPrefix = key.list_prefix;
    list.push_back(std::move(entry));
    index.Insert(list.size() - 1, hash);
  });
}

void LoadCatalogueFromFile(const std::string& path, Catalogue& list, const CatalogueRowMirror& mirror) {
  LoadCatalogueFromContent(ReadWholeFile(path), list, mirror);
}
