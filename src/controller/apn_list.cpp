// Operator catalogue loader. Not built yet: the catalogue work fills in the parsing.
#include "controller/apn_list.h"

#include "common/platform.h"

void LoadApnListFromContent(std::string_view /*content*/, TApnList& /*list*/,
                            const CatalogueRowMirror& /*mirror*/) {}

void LoadApnListFromFile(const std::string& path, TApnList& list, const CatalogueRowMirror& mirror) {
  LoadApnListFromContent(ReadWholeFile(path), list, mirror);
}
