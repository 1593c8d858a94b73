// Reads the provider database (serviceproviders.xml) into provider records.
#pragma once

#include <QIODevice>
#include <QString>

#include <vector>

#include "catalogue_rows.h"

// Appends every provider of the database to `providers`. On malformed XML returns false with
// the line and the parser's reason in `error`.
bool ReadProviderDatabase(QIODevice& input, std::vector<ProviderRecord>& providers, QString& error);
