# The catalogue of texts: the template po/rodiduz-setup.pot extracted from the sources, each
# po/<language>.po checked and compiled, and every compiled catalogue embedded into the core.
find_program(RODIDUZ_XGETTEXT xgettext REQUIRED)
find_program(RODIDUZ_MSGFMT msgfmt REQUIRED)

set(RODIDUZ_PO_DIR ${PROJECT_SOURCE_DIR}/po)
file(GLOB RODIDUZ_PO_FILES CONFIGURE_DEPENDS ${RODIDUZ_PO_DIR}/*.po)
# Every source that may hold a marked text: the core, both windows and the tools' front ends.
file(GLOB_RECURSE RODIDUZ_MARKED_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h)
list(SORT RODIDUZ_MARKED_SOURCES)

# The keys are the English texts themselves (msgid), as gettext tools and translators expect;
# N_ marks a text that is translated where it is shown, Tr one translated on the spot, and
# TrContext a text whose English is shared by two meanings.
set(RODIDUZ_POT ${CMAKE_BINARY_DIR}/po/rodiduz-setup.pot)
add_custom_command(OUTPUT ${RODIDUZ_POT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/po
  COMMAND ${RODIDUZ_XGETTEXT} --language=C++ --from-code=UTF-8 --keyword= --keyword=N_ --keyword=Tr
    --keyword=TrContext:1c,2 --add-comments=Translators: --sort-by-file --no-wrap --package-name=rodiduz-setup
    --msgid-bugs-address=support@rodiduz.com --output=${RODIDUZ_POT} ${RODIDUZ_MARKED_SOURCES}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  DEPENDS ${RODIDUZ_MARKED_SOURCES}
  COMMENT "Extracting the texts to translate"
  VERBATIM)

set(mo_files "")
foreach(po IN LISTS RODIDUZ_PO_FILES)
  get_filename_component(language ${po} NAME_WE)
  set(mo ${CMAKE_BINARY_DIR}/po/${language}.mo)
  # A language that misses a text, or breaks a rule of scripts/check-translations, fails the
  # build; --check holds the header and formats. The template is a dependency, so a new text
  # checks every language again.
  add_custom_command(OUTPUT ${mo}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/po
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-translations ${RODIDUZ_POT} ${po}
    COMMAND ${RODIDUZ_MSGFMT} --check --output-file=${mo} ${po}
    DEPENDS ${po} ${RODIDUZ_POT} ${RODIDUZ_PO_DIR}/glossary/${language}
      ${PROJECT_SOURCE_DIR}/scripts/check-translations ${PROJECT_SOURCE_DIR}/scripts/check-translations.awk
    COMMENT "Checking and compiling the ${language} translation"
    VERBATIM)
  list(APPEND mo_files ${mo})
endforeach()

set(RODIDUZ_EMBEDDED_TRANSLATIONS ${CMAKE_BINARY_DIR}/generated/shipped_translations.cpp)
add_custom_command(OUTPUT ${RODIDUZ_EMBEDDED_TRANSLATIONS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${RODIDUZ_EMBEDDED_TRANSLATIONS} "-DMO_FILES=${mo_files}"
    -P ${PROJECT_SOURCE_DIR}/cmake/embed-translations.cmake
  DEPENDS ${mo_files} ${RODIDUZ_POT} ${PROJECT_SOURCE_DIR}/cmake/embed-translations.cmake
  COMMENT "Embedding the translations"
  VERBATIM)

# The template as data, for the tests that pseudo-translate every text to see that it fits.
set(RODIDUZ_EMBEDDED_TEMPLATE ${CMAKE_BINARY_DIR}/generated/catalogue_template.cpp)
add_custom_command(OUTPUT ${RODIDUZ_EMBEDDED_TEMPLATE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${RODIDUZ_EMBEDDED_TEMPLATE} -DPOT=${RODIDUZ_POT}
    -P ${PROJECT_SOURCE_DIR}/cmake/embed-template.cmake
  DEPENDS ${RODIDUZ_POT} ${PROJECT_SOURCE_DIR}/cmake/embed-template.cmake
  COMMENT "Embedding the template for the tests"
  VERBATIM)

# The operator list's countries in every shipped language, from iso-codes.
set(RODIDUZ_ISO_CODES_JSON /usr/share/iso-codes/json/iso_3166-1.json)
if(NOT EXISTS ${RODIDUZ_ISO_CODES_JSON})
  message(FATAL_ERROR "${RODIDUZ_ISO_CODES_JSON} is missing: install the package iso-codes (scripts/install-deps)")
endif()
find_program(RODIDUZ_MSGUNFMT msgunfmt REQUIRED)
set(languages "")
set(iso_translations "")
foreach(po IN LISTS RODIDUZ_PO_FILES)
  get_filename_component(language ${po} NAME_WE)
  list(APPEND languages ${language})
  string(REGEX REPLACE "_.*" "" base_language ${language})
  foreach(candidate IN ITEMS ${language} ${base_language})
    if(EXISTS /usr/share/locale/${candidate}/LC_MESSAGES/iso_3166-1.mo)
      list(APPEND iso_translations /usr/share/locale/${candidate}/LC_MESSAGES/iso_3166-1.mo)
    endif()
  endforeach()
endforeach()
set(RODIDUZ_COUNTRY_NAMES ${CMAKE_BINARY_DIR}/generated/country_names_table.cpp)
set(catalogue_names ${PROJECT_SOURCE_DIR}/tools/apnconv/country_names.inc)
add_custom_command(OUTPUT ${RODIDUZ_COUNTRY_NAMES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${RODIDUZ_COUNTRY_NAMES} -DISO_JSON=${RODIDUZ_ISO_CODES_JSON}
    -DLOCALE_DIR=/usr/share/locale "-DLANGUAGES=${languages}" -DCATALOGUE_NAMES=${catalogue_names}
    -DMSGUNFMT=${RODIDUZ_MSGUNFMT} -P ${PROJECT_SOURCE_DIR}/cmake/generate-country-names.cmake
  DEPENDS ${RODIDUZ_ISO_CODES_JSON} ${iso_translations} ${catalogue_names}
    ${PROJECT_SOURCE_DIR}/cmake/generate-country-names.cmake
  COMMENT "Writing the country names of every shipped language"
  VERBATIM)
