// The window's fonts and pictures, embedded with the Qt resource system.
#include "ui/ui_resources.h"

#include <QDirIterator>
#include <QFontDatabase>
#include <QStringList>
#include <cmath>
#include <iterator>

namespace {

// The first face of each list that is present wins; the system's own Arial or Tahoma is
// preferred over the metric-compatible stand-ins when it is installed.
const QStringList kOpenSansFaces = {QStringLiteral("Open Sans"), QStringLiteral("Liberation Sans"),
                                    QStringLiteral("DejaVu Sans")};
const QStringList kArialFaces = {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                                 QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")};
const QStringList kTahomaFaces = {QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                                  QStringLiteral("DejaVu Sans")};

QFont MakeFont(const QStringList& faces, int points, bool bold) {
  QFont font;
  font.setFamilies(faces);
  font.setPixelSize(PointsToPixels(points));
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace

// The resources live in a static library: nothing would pull them into the program unless
// they are registered by name.
static void RegisterResources() { Q_INIT_RESOURCE(rodiduz_ui_resources); }

void LoadBundledFonts() {
  static const bool loaded = [] {
    RegisterResources();
    QDirIterator fonts(QStringLiteral(":/fonts"), {QStringLiteral("*.ttf")}, QDir::Files);
    while (fonts.hasNext()) QFontDatabase::addApplicationFont(fonts.next());
    return true;
  }();
  (void)loaded;
}

int PointsToPixels(int points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

QFont OpenSansFont(int points, bool bold) { return MakeFont(kOpenSansFaces, points, bold); }
QFont ArialFont(int points) { return MakeFont(kArialFaces, points, false); }
QFont TahomaFont(int points) { return MakeFont(kTahomaFaces, points, false); }

QPixmap Picture(const char* path) { return QPixmap(QString::fromLatin1(path)); }

QPixmap Picture(const char* path, qreal scale) {
  struct Variant {
    qreal ratio;
    const char* ending;
  };
  static constexpr Variant kVariants[] = {{1.0, ".png"}, {1.5, "@1.5x.png"}, {2.0, "@2x.png"}};
  // A scale a rounding error above a variant's ratio still takes that variant.
  constexpr qreal kTolerance = 0.01;
  const Variant* chosen = &kVariants[std::size(kVariants) - 1];
  for (const Variant& variant : kVariants) {
    if (variant.ratio + kTolerance >= scale) {
      chosen = &variant;
      break;
    }
  }
  QString file = QString::fromLatin1(path);
  file.replace(file.lastIndexOf(QLatin1String(".png")), 4, QLatin1String(chosen->ending));
  QPixmap pixmap(file);
  pixmap.setDevicePixelRatio(chosen->ratio);
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/pictures/icon-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}
