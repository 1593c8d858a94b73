// The operator list's countries in the user's language: the table the build generates from
// iso-codes (cmake/generate-country-names.cmake) and the look-up in it.
#pragma once

#include <span>
#include <string_view>

struct CountryNameRow {
  std::string_view english;  // as the operator catalogue names it, UTF-8
  std::string_view code;     // ISO 3166-1 alpha-2, lower case
  // One per language of the table, in its order; empty where iso-codes has no translation.
  const std::string_view* names;
};

struct CountryNameTable {
  std::span<const std::string_view> languages;
  std::span<const CountryNameRow> rows;  // sorted by english
};

// The shipped languages' table, embedded by the build.
CountryNameTable ShippedCountryNames();

// The country the catalogue calls `english` in `language` (as ChooseLanguage names it); `english`
// itself for English, an unknown country or a language without its name.
std::string_view CountryNameIn(const CountryNameTable& table, std::string_view language, std::string_view english);
