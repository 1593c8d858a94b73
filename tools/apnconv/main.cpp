// rodiduz-apnconv: writes the wizard's operator catalogue (apnlist.csv, Windows-1252, CR LF)
// from the provider database.
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <set>
#include <vector>

#include "catalogue_rows.h"
#include "provider_xml.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <serviceproviders.xml> <apnlist.csv>\n", argv[0]);
    return 2;
  }
  const QString input_path = QString::fromLocal8Bit(argv[1]);
  const QString output_path = QString::fromLocal8Bit(argv[2]);

  QFile input(input_path);
  if (!input.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "rodiduz-apnconv: cannot open %s: %s\n", argv[1], qPrintable(input.errorString()));
    return 1;
  }
  std::vector<ProviderRecord> providers;
  QString error;
  if (!ReadProviderDatabase(input, providers, error)) {
    std::fprintf(stderr, "rodiduz-apnconv: %s: %s\n", argv[1], qPrintable(error));
    return 1;
  }

  std::vector<std::string> warnings;
  std::vector<CatalogueRow> rows = BuildCatalogueRows(providers, warnings);
  for (const std::string& warning : warnings) std::fprintf(stderr, "rodiduz-apnconv: %s\n", warning.c_str());
  std::set<std::string> country_codes;
  for (const CatalogueRow& row : rows) country_codes.insert(row.mcc);
  const std::string catalogue = FormatCatalogue(std::move(rows));

  // Written aside and renamed into place, so a failed run never leaves a truncated catalogue
  // that the build would take as up to date.
  QSaveFile output(output_path);
  if (!output.open(QIODevice::WriteOnly) ||
      output.write(catalogue.data(), static_cast<qint64>(catalogue.size())) != static_cast<qint64>(catalogue.size()) ||
      !output.commit()) {
    std::fprintf(stderr, "rodiduz-apnconv: cannot write %s: %s\n", argv[2], qPrintable(output.errorString()));
    return 1;
  }
  std::size_t row_count = 0;
  for (char c : catalogue) row_count += c == '\n';
  std::printf("rodiduz-apnconv: %zu rows, %zu country codes -> %s\n", row_count, country_codes.size(), argv[2]);
  return 0;
}
