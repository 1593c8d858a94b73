// The provider records read from the database and the rules that turn them into catalogue rows.
#pragma once

#include <QString>

#include <string>
#include <vector>

struct NetworkId {
  QString mcc;
  QString mnc;
};

struct ApnRecord {
  QString value;
  QString usage;  // empty when the access point carries no usage tag
  QString name;   // its first untranslated name, empty when it has none
  QString username;
  QString password;
};

struct ProviderRecord {
  QString country_code;  // ISO 3166 code, lower case as in the database
  QString country_name;  // the database's own name for the country
  QString name;          // first untranslated name (first name of any language when none)
  bool has_gsm = false;
  std::vector<NetworkId> networks;
  std::vector<ApnRecord> apns;
};

// One row of apnlist.csv, every field already in Windows-1252.
struct CatalogueRow {
  std::string name;
  std::string mcc;
  std::string mnc;
  std::string apn;
  std::string user;
  std::string password;
  std::string list_prefix;
};

// The text in Windows-1252 for display: characters the code page lacks lose their diacritics
// (or take a plain Latin look-alike); what still has no form is dropped. Control characters
// become spaces, ";" becomes "," (the catalogue has no quoting), runs of spaces collapse and
// the ends are trimmed.
std::string SimplifyToWindows1252(const QString& text);

// The text in Windows-1252 exactly as written, trimmed; false when a character has no form in
// the code page or is a control character or ";". Used for values the box must receive
// unchanged (access point, user name, password).
bool ExactWindows1252(const QString& text, std::string& out);

// True when the text holds one of the spellings by which the wizard drops MMS/WAP rows.
bool HasDroppedSpelling(const std::string& name);

// Changes the case of the last letter of every such spelling, so an operator whose name merely
// contains one (a name ending in "comms") is not dropped with the MMS/WAP rows.
std::string BreakDroppedSpellings(std::string name);

// Whether an access point is one the box can use for its data connection.
bool IsInternetApn(const ApnRecord& apn);

// The English country name for an ISO 3166 code, in UTF-8; empty for a code not in the table.
QString EnglishCountryName(const QString& iso_code);

// The rows of every provider: one per network id and kept access point. A row whose values
// cannot be written exactly is left out with a line in `warnings`.
std::vector<CatalogueRow> BuildCatalogueRows(const std::vector<ProviderRecord>& providers,
                                             std::vector<std::string>& warnings);

// Sorted, without repeated rows, ";"-separated, CR LF after every row.
std::string FormatCatalogue(std::vector<CatalogueRow> rows);
