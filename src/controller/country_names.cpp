// The look-up in the table of country names.
#include "controller/country_names.h"

#include <algorithm>

std::string_view CountryNameIn(const CountryNameTable& table, std::string_view language, std::string_view english) {
  const auto column = std::find(table.languages.begin(), table.languages.end(), language);
  if (column == table.languages.end()) return english;
  const auto row = std::lower_bound(table.rows.begin(), table.rows.end(), english,
                                    [](const CountryNameRow& entry, std::string_view key) { return entry.english < key; });
  if (row == table.rows.end() || row->english != english) return english;
  const std::string_view name = row->names[column - table.languages.begin()];
  return name.empty() ? english : name;
}
