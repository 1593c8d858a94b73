// Catalogue rows from provider records: which access points are kept, how rows are named, and
// the conversion of the database's Unicode text to Windows-1252.
#include "catalogue_rows.h"

#include <QChar>
#include <QList>

#include <algorithm>
#include <array>
#include <string_view>
#include <tuple>

#include "common/text.h"

namespace {

constexpr std::array<std::string_view, 6> kDroppedSpellings = {"MMS", "mms", "Wap", "wap", "WAP", "Mms"};

// The Windows-1252 byte for one code point, or false when the code page has none. The common
// code page conversion marks a missing form with "?", so "?" itself is told apart by value.
bool ByteFor(char32_t code, char& byte) {
  if (code == 0 || code > 0xFFFF) return false;
  const AnsiString converted = NativeToAnsi(std::u16string(1, static_cast<char16_t>(code)));
  if (converted.size() != 1 || (converted[0] == '?' && code != U'?')) return false;
  byte = converted[0];
  return true;
}

// Letters that carry their stroke or dot in the base character, so decomposition leaves them
// whole; they read naturally as the plain Latin letter.
char32_t PlainLookAlike(char32_t code) {
  switch (code) {
    case U'\u0141': return U'L';  // L with stroke
    case U'\u0142': return U'l';
    case U'\u0110': return U'D';  // D with stroke
    case U'\u0111': return U'd';
    case U'\u0126': return U'H';
    case U'\u0127': return U'h';
    case U'\u0166': return U'T';
    case U'\u0167': return U't';
    case U'\u0131': return U'i';  // dotless i
    case U'\u018F': return U'E';  // schwa
    case U'\u0259': return U'e';
    case U'\u2010':
    case U'\u2011':
    case U'\u2212': return U'-';
    default: return 0;
  }
}

void AppendSimplified(char32_t code, std::string& out) {
  char byte = 0;
  if (ByteFor(code, byte)) {
    out.push_back(byte);
    return;
  }
  const QString decomposed = QString::fromUcs4(&code, 1).normalized(QString::NormalizationForm_D);
  std::string base;
  for (char32_t part : decomposed.toUcs4()) {
    if (QChar::isMark(part)) continue;
    if (ByteFor(part, byte)) base.push_back(byte);
  }
  if (base.empty()) {
    const char32_t plain = PlainLookAlike(code);
    if (plain != 0 && ByteFor(plain, byte)) base.push_back(byte);
  }
  out += base;  // nothing at all for a script the code page cannot show
}

bool IsBlankByte(unsigned char byte) { return byte < 32 || byte == 0x7F || byte == 0xA0; }

std::string CollapseSpaces(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Parentheses left empty once a script the code page lacks has been dropped.
std::string DropEmptyParentheses(std::string text) {
  for (std::string_view empty : {"()", "( )"}) {
    for (auto found = text.find(empty); found != std::string::npos; found = text.find(empty)) {
      text.erase(found, empty.size());
    }
  }
  return CollapseSpaces(text);
}

bool HasLetterOrDigit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           byte >= 0xC0;
  });
}

// Country and network codes have two or three digits; six leaves room without risking overflow.
bool IsNetworkCode(const std::string& text) {
  return !text.empty() && text.size() <= 6 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool MentionsMmsOrWap(const QString& text) {
  return text.contains(QLatin1String("mms"), Qt::CaseInsensitive) ||
         text.contains(QLatin1String("wap"), Qt::CaseInsensitive);
}

std::string CountryLabel(const ProviderRecord& provider) {
  QString name = EnglishCountryName(provider.country_code);
  if (name.isEmpty()) name = provider.country_name;
  std::string label = SimplifyToWindows1252(name);
  return HasLetterOrDigit(label) ? label : provider.country_code.toUpper().toStdString();
}

// The text in parentheses that tells a provider's access points apart: the access point's name,
// else its value, whichever the wizard would not take for an MMS/WAP row.
std::string ApnLabel(const ApnRecord& apn, const std::string& exact_value) {
  const std::string name = SimplifyToWindows1252(apn.name);
  if (HasLetterOrDigit(name) && !HasDroppedSpelling(name)) return name;
  if (!HasDroppedSpelling(exact_value)) return exact_value;
  return {};
}

struct KeptApn {
  std::string apn;
  std::string user;
  std::string password;
  std::string label;
};

}  // namespace

std::string SimplifyToWindows1252(const QString& text) {
  std::string converted;
  for (char32_t code : text.toUcs4()) AppendSimplified(code, converted);
  for (char& c : converted) {
    if (IsBlankByte(static_cast<unsigned char>(c))) c = ' ';
    if (c == ';') c = ',';
  }
  return DropEmptyParentheses(CollapseSpaces(converted));
}

bool ExactWindows1252(const QString& text, std::string& out) {
  out.clear();
  for (char32_t code : text.trimmed().toUcs4()) {
    char byte = 0;
    if (!ByteFor(code, byte) || IsBlankByte(static_cast<unsigned char>(byte)) || byte == ';') return false;
    out.push_back(byte);
  }
  return true;
}

bool HasDroppedSpelling(const std::string& name) {
  return std::any_of(kDroppedSpellings.begin(), kDroppedSpellings.end(),
                     [&](std::string_view spelling) { return name.find(spelling) != std::string::npos; });
}

std::string BreakDroppedSpellings(std::string name) {
  // Every spelling ends in "S" or "P" in some case, and neither letter starts one, so flipping
  // the last letter cannot form a new spelling; the loop ends after one pass per occurrence.
  for (bool changed = true; changed;) {
    changed = false;
    for (std::string_view spelling : kDroppedSpellings) {
      const auto found = name.find(spelling);
      if (found == std::string::npos) continue;
      char& last = name[found + spelling.size() - 1];
      last = static_cast<char>(last >= 'a' ? last - ('a' - 'A') : last + ('a' - 'A'));
      changed = true;
    }
  }
  return name;
}

bool IsInternetApn(const ApnRecord& apn) {
  if (apn.usage == QLatin1String("internet") || apn.usage.startsWith(QLatin1String("mms-internet-hipri"))) {
    return true;
  }
  return apn.usage.isEmpty() && !MentionsMmsOrWap(apn.value) && !MentionsMmsOrWap(apn.name);
}

std::vector<CatalogueRow> BuildCatalogueRows(const std::vector<ProviderRecord>& providers,
                                             std::vector<std::string>& warnings) {
  std::vector<CatalogueRow> rows;
  for (const ProviderRecord& provider : providers) {
    if (!provider.has_gsm) continue;
    const std::string where = provider.country_code.toStdString() + " / " + provider.name.toStdString();

    std::vector<KeptApn> kept;
    std::vector<const ApnRecord*> kept_records;
    for (const ApnRecord& apn : provider.apns) {
      if (!IsInternetApn(apn)) continue;
      KeptApn row;
      if (!ExactWindows1252(apn.value, row.apn) || row.apn.empty() || !ExactWindows1252(apn.username, row.user) ||
          !ExactWindows1252(apn.password, row.password)) {
        warnings.push_back(where + ": access point \"" + apn.value.toStdString() +
                           "\" cannot be written exactly; left out");
        continue;
      }
      kept.push_back(std::move(row));
      kept_records.push_back(&apn);
    }
    if (kept.size() > 1) {
      for (std::size_t i = 0; i < kept.size(); ++i) kept[i].label = ApnLabel(*kept_records[i], kept[i].apn);
    }

    const std::string base = SimplifyToWindows1252(provider.name);
    const std::string country = CountryLabel(provider);
    for (const NetworkId& network : provider.networks) {
      const std::string mcc = network.mcc.trimmed().toStdString();
      const std::string mnc = network.mnc.trimmed().toStdString();
      if (!IsNetworkCode(mcc) || !IsNetworkCode(mnc)) {
        warnings.push_back(where + ": network id " + mcc + "/" + mnc + " is not numeric; left out");
        continue;
      }
      for (const KeptApn& apn : kept) {
        std::string name = HasLetterOrDigit(base) ? base : "Operator " + mcc + "-" + mnc;
        if (!apn.label.empty()) name += " (" + apn.label + ")";
        rows.push_back({BreakDroppedSpellings(std::move(name)), mcc, mnc, apn.apn, apn.user, apn.password, country});
      }
    }
  }
  return rows;
}

std::string FormatCatalogue(std::vector<CatalogueRow> rows) {
  auto key = [](const CatalogueRow& row) {
    return std::make_tuple(std::cref(row.list_prefix), std::cref(row.name), std::stol(row.mcc), std::stol(row.mnc),
                           std::cref(row.mcc), std::cref(row.mnc), std::cref(row.apn), std::cref(row.user),
                           std::cref(row.password));
  };
  std::sort(rows.begin(), rows.end(), [&](const CatalogueRow& a, const CatalogueRow& b) { return key(a) < key(b); });
  rows.erase(std::unique(rows.begin(), rows.end(), [&](const CatalogueRow& a, const CatalogueRow& b) {
               return key(a) == key(b);
             }),
             rows.end());

  std::string out;
  for (const CatalogueRow& row : rows) {
    for (const std::string* field : {&row.name, &row.mcc, &row.mnc, &row.apn, &row.user, &row.password}) {
      out += *field;
      out += ';';
    }
    out += row.list_prefix;
    out += "\r\n";
  }
  return out;
}
