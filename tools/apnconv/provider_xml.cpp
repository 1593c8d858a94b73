// The provider database reader: only the elements the catalogue needs are kept.
#include "provider_xml.h"

#include <QXmlStreamReader>

namespace {

bool IsUntranslated(const QXmlStreamReader& xml) {
  return !xml.attributes().hasAttribute(QLatin1String("http://www.w3.org/XML/1998/namespace"),
                                        QLatin1String("lang")) &&
         !xml.attributes().hasAttribute(QLatin1String("xml:lang"));
}

// Reads a <name> element; keeps the first untranslated one, and the first of any language
// only while no untranslated one has been seen.
void ReadName(QXmlStreamReader& xml, QString& name, bool& untranslated_seen) {
  const bool untranslated = IsUntranslated(xml);
  const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
  if (untranslated && !untranslated_seen) {
    name = text;
    untranslated_seen = true;
  } else if (!untranslated_seen && name.isEmpty()) {
    name = text;
  }
}

ApnRecord ReadApn(QXmlStreamReader& xml) {
  ApnRecord apn;
  apn.value = xml.attributes().value(QLatin1String("value")).toString();
  bool name_seen = false;
  while (xml.readNextStartElement()) {
    const auto element = xml.name();
    if (element == QLatin1String("usage")) {
      apn.usage = xml.attributes().value(QLatin1String("type")).toString();
      xml.skipCurrentElement();
    } else if (element == QLatin1String("name")) {
      ReadName(xml, apn.name, name_seen);
    } else if (element == QLatin1String("username")) {
      apn.username = xml.readElementText();
    } else if (element == QLatin1String("password")) {
      apn.password = xml.readElementText();
    } else {
      xml.skipCurrentElement();
    }
  }
  return apn;
}

void ReadGsm(QXmlStreamReader& xml, ProviderRecord& provider) {
  provider.has_gsm = true;
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("network-id")) {
      provider.networks.push_back({xml.attributes().value(QLatin1String("mcc")).toString(),
                                   xml.attributes().value(QLatin1String("mnc")).toString()});
      xml.skipCurrentElement();
    } else if (xml.name() == QLatin1String("apn")) {
      provider.apns.push_back(ReadApn(xml));
    } else {
      xml.skipCurrentElement();
    }
  }
}

void ReadCountry(QXmlStreamReader& xml, std::vector<ProviderRecord>& providers) {
  const QString code = xml.attributes().value(QLatin1String("code")).toString();
  QString country_name;
  bool country_name_seen = false;
  const std::size_t first = providers.size();
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("name")) {
      ReadName(xml, country_name, country_name_seen);
    } else if (xml.name() == QLatin1String("provider")) {
      ProviderRecord provider;
      provider.country_code = code;
      bool name_seen = false;
      while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("name")) {
          ReadName(xml, provider.name, name_seen);
        } else if (xml.name() == QLatin1String("gsm")) {
          ReadGsm(xml, provider);
        } else {
          xml.skipCurrentElement();
        }
      }
      providers.push_back(std::move(provider));
    } else {
      xml.skipCurrentElement();
    }
  }
  // A country's name may follow its providers in a hand-edited file.
  for (std::size_t i = first; i < providers.size(); ++i) providers[i].country_name = country_name;
}

}  // namespace

bool ReadProviderDatabase(QIODevice& input, std::vector<ProviderRecord>& providers, QString& error) {
  QXmlStreamReader xml(&input);
  if (!xml.readNextStartElement() || xml.name() != QLatin1String("serviceproviders")) {
    error = xml.hasError() ? xml.errorString() : QStringLiteral("the root element is not <serviceproviders>");
    error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(error);
    return false;
  }
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("country")) {
      ReadCountry(xml, providers);
    } else {
      xml.skipCurrentElement();
    }
  }
  if (xml.hasError()) {
    error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return false;
  }
  return true;
}
