// The catalogue loader on arbitrary file contents: what it keeps is trimmed, free of MMS/WAP
// names and merged by key, and a second load of the same contents adds no entry.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "controller/catalogue.h"
#include "fuzz_check.h"

namespace {

bool IsTrimmed(std::string_view text) {
  return text.empty() || (static_cast<unsigned char>(text.front()) > 32 && static_cast<unsigned char>(text.back()) > 32);
}

bool HasMmsOrWap(std::string_view name) {
  for (const std::string_view spelling : {"MMS", "mms", "Mms", "WAP", "wap", "Wap"}) {
    if (name.find(spelling) != std::string_view::npos) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size);
  Catalogue list;
  std::size_t mirrored = 0;
  LoadCatalogueFromContent(content, list, [&](const AnsiString&) { ++mirrored; });
  FUZZ_CHECK(list.size() <= mirrored);

  std::set<std::tuple<std::string, std::int32_t, std::string, std::string, std::string>> keys;
  for (const auto& entry : list) {
    FUZZ_CHECK(entry != nullptr);
    FUZZ_CHECK(!HasMmsOrWap(entry->Name));
    FUZZ_CHECK(IsTrimmed(entry->Apn) && IsTrimmed(entry->User) && IsTrimmed(entry->Password) &&
               IsTrimmed(entry->ListPrefix));
    // Names are trimmed; merged ones join trimmed names with ",", which a name may hold too.
    FUZZ_CHECK(IsTrimmed(entry->Name));
    const bool fresh =
        keys.emplace(entry->ListPrefix, entry->Mnc, entry->Apn, entry->User, entry->Password).second;
    FUZZ_CHECK(fresh);
  }

  // Every row of a second load finds its entry already in the list.
  const std::size_t before = list.size();
  std::size_t mirrored_again = 0;
  LoadCatalogueFromContent(content, list, [&](const AnsiString&) { ++mirrored_again; });
  FUZZ_CHECK(list.size() == before);
  FUZZ_CHECK(mirrored_again == mirrored);
  return 0;
}
