// English short names of the countries the provider database lists, keyed by ISO 3166 code. The
// database's own country names mix official and colloquial forms; the operator list reads
// better with one consistent style.
#include <QString>

#include <algorithm>
#include <array>
#include <string_view>

#include "catalogue_rows.h"

namespace {

struct CountryName {
  std::string_view code;
  std::string_view name;  // UTF-8
};

// Sorted by code for the binary search below.
constexpr std::array kCountryNames = std::to_array<CountryName>({
#include "country_names.inc"
});

static_assert(std::is_sorted(kCountryNames.begin(), kCountryNames.end(),
                             [](const CountryName& a, const CountryName& b) { return a.code < b.code; }));

}  // namespace

QString EnglishCountryName(const QString& iso_code) {
  const std::string code = iso_code.trimmed().toLower().toStdString();
  const auto found = std::lower_bound(kCountryNames.begin(), kCountryNames.end(), code,
                                      [](const CountryName& entry, const std::string& key) { return entry.code < key; });
  if (found == kCountryNames.end() || found->code != code) return {};
  return QString::fromUtf8(found->name.data(), static_cast<qsizetype>(found->name.size()));
}
