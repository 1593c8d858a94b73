// The operator catalogue: CatalogueEntry entries read from apnlist.csv.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

// One catalogue entry.
class CatalogueEntry {
 public:
  virtual ~CatalogueEntry() = default;

  AnsiString Name;
  std::int32_t Mcc = 0;
  std::int32_t Mnc = 0;
  AnsiString Apn;
  AnsiString User;
  AnsiString Password;
  AnsiString ListPrefix;
};

// ApnList owns its entries, in the order they were first read.
using Catalogue = std::vector<std::unique_ptr<CatalogueEntry>>;

// Receives the untrimmed first column of every row with all its separators (the developers'
// debug mirror); may be empty.
using CatalogueRowMirror = std::function<void(const AnsiString& first_column)>;

// Parses the contents of a catalogue file and appends its entries to `list`. A byte-order mark
// selects UTF-8 or UTF-16 (either order); without one the bytes are 8-bit text already. MMS/WAP
// rows are dropped, and a row whose list prefix, Mnc, APN, user and password equal those of an
// entry already in `list` (read earlier or present before the call) adds "," and its name to
// that entry instead of a new one. Takes time in proportion to the number of rows.
void LoadCatalogueFromContent(std::string_view content, Catalogue& list,
                            const CatalogueRowMirror& mirror = {});

// Reads the catalogue file at `path`. Throws FileOpenError when it cannot be opened.
void LoadCatalogueFromFile(const std::string& path, Catalogue& list,
                         const CatalogueRowMirror& mirror = {});

inline constexpr const char* kCatalogueFileName = "apnlist.csv";
