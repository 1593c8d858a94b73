// The window's fonts and pictures, embedded with the Qt resource system.
#include "ui/ui_resources.h"

#include <QDirIterator>
#include <QFontDatabase>
#include <QStringList>
#include <cmath>

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

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/pictures/icon-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}
