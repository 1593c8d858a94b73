# Writes OUTPUT, the table of the operator list's countries: the name the operator catalogue gives
# a country -> its ISO 3166 code -> its name in each of LANGUAGES, from iso-codes (ISO_JSON, its
# iso_3166-1.json, and LOCALE_DIR/<language>/LC_MESSAGES/iso_3166-1.mo).
# A catalogue name finds its code by the catalogue converter's own table (CATALOGUE_NAMES, the
# names the catalogue is written with: "Turkey", "Vietnam"), else by iso-codes' name or common
# name ("Türkiye", "Viet Nam"). A name neither knows ("Kosovo"), or a country a language's
# iso-codes translation leaves out, stays English.
# Run as: cmake -DOUTPUT=<file> -DISO_JSON=<file> -DLOCALE_DIR=<dir> -DLANGUAGES=<a;b>
#   -DCATALOGUE_NAMES=<file> -DMSGUNFMT=<program> -P generate-country-names.cmake

# A text as the inside of a C++ string literal; .mo texts come out of msgunfmt escaped already.
function(escape_for_literal text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Names are keyed by their MD5: a country's name may hold characters a variable name may not.
function(add_name name code)
  escape_for_literal("${name}" name)
  string(MD5 key "${name}")
  if(NOT DEFINED code_of_${key})
    set(code_of_${key} ${code} PARENT_SCOPE)
    set(english_names ${english_names} "${name}" PARENT_SCOPE)
  endif()
endfunction()

# The catalogue converter's names first: they are the ones the operator list shows.
file(STRINGS "${CATALOGUE_NAMES}" rows REGEX "^{\"[a-z][a-z]\", \".*\"},$")
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^{\"([a-z][a-z])\", \"(.*)\"},$" "\\1;\\2" fields "${row}")
  list(GET fields 0 code)
  list(GET fields 1 literal)
  # The row is C++ ("C\\u00f4te d'Ivoire"); read as JSON, whose escapes it shares, it is the name.
  string(JSON name GET "[\"${literal}\"]" 0)
  add_name("${name}" ${code})
endforeach()

file(READ "${ISO_JSON}" json)
string(JSON count LENGTH "${json}" "3166-1")
math(EXPR last "${count} - 1")
set(codes "")
foreach(index RANGE ${last})
  string(JSON code GET "${json}" "3166-1" ${index} alpha_2)
  string(TOLOWER ${code} code)
  string(JSON name GET "${json}" "3166-1" ${index} name)
  string(JSON common_name ERROR_VARIABLE no_common_name GET "${json}" "3166-1" ${index} common_name)
  add_name("${name}" ${code})
  # iso-codes translates both; the common name is the shorter style the catalogue uses.
  if(no_common_name)
    escape_for_literal("${name}" iso_name_${code})
  else()
    add_name("${common_name}" ${code})
    escape_for_literal("${common_name}" iso_name_${code})
  endif()
  list(APPEND codes ${code})
endforeach()

# Each language's translations of iso-codes' names, by code.
foreach(language IN LISTS LANGUAGES)
  string(REGEX REPLACE "_.*" "" base_language "${language}")
  set(mo "")
  foreach(candidate IN ITEMS ${language} ${base_language})
    if(NOT mo AND EXISTS "${LOCALE_DIR}/${candidate}/LC_MESSAGES/iso_3166-1.mo")
      set(mo "${LOCALE_DIR}/${candidate}/LC_MESSAGES/iso_3166-1.mo")
    endif()
  endforeach()
  if(NOT mo)
    continue()
  endif()
  execute_process(COMMAND ${MSGUNFMT} --no-wrap "${mo}" OUTPUT_VARIABLE po COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "msgid \"[^\n]*\"\nmsgstr \"[^\n]*\"" entries "${po}")
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^msgid \"(.*)\"\nmsgstr \"(.*)\"$" "\\1" id "${entry}")
    string(REGEX REPLACE "^msgid \"(.*)\"\nmsgstr \"(.*)\"$" "\\2" text "${entry}")
    string(MD5 key "${id}")
    set(translated_${language}_${key} "${text}")
  endforeach()
  foreach(code IN LISTS codes)
    string(MD5 key "${iso_name_${code}}")
    if(DEFINED translated_${language}_${key})
      set(name_${language}_${code} "${translated_${language}_${key}}")
    endif()
  endforeach()
endforeach()

list(SORT english_names)
list(LENGTH LANGUAGES language_count)
set(languages_text "")
foreach(language IN LISTS LANGUAGES)
  string(APPEND languages_text "\"${language}\", ")
endforeach()
set(names_text "")
set(rows_text "")
set(index 0)
foreach(name IN LISTS english_names)
  string(MD5 key "${name}")
  set(code ${code_of_${key}})
  set(translations "")
  foreach(language IN LISTS LANGUAGES)
    string(APPEND translations "\"${name_${language}_${code}}\", ")
  endforeach()
  string(APPEND names_text "    {${translations}},\n")
  string(APPEND rows_text "    {\"${name}\", \"${code}\", kNames[${index}]},\n")
  math(EXPR index "${index} + 1")
endforeach()

if(language_count EQUAL 0)
  set(body "CountryNameTable ShippedCountryNames() { return {}; }\n")
else()
  set(body "namespace {

constexpr std::string_view kLanguages[] = {${languages_text}};
constexpr std::string_view kNames[][${language_count}] = {
${names_text}};
constexpr CountryNameRow kRows[] = {
${rows_text}};
static_assert(std::is_sorted(std::begin(kRows), std::end(kRows),
                             [](const CountryNameRow& a, const CountryNameRow& b) { return a.english < b.english; }));

}  // namespace

CountryNameTable ShippedCountryNames() { return {kLanguages, kRows}; }
")
endif()
file(WRITE "${OUTPUT}.new" "// Generated by cmake/generate-country-names.cmake from iso-codes: do not edit.
#include <algorithm>
#include <iterator>

#include \"controller/country_names.h\"

${body}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
