// Draws the wizard's pictures: the two background gradients, the logo, the check mark and
// the program icon (PNG files, and one icon file for Windows). The window pictures come at
// 1x, 1.5x and 2x (name.png, name@1.5x.png, name@2x.png), each drawn for its resolution rather
// than enlarged, so they stay as sharp as the text on a scaled display. Run by the build; the
// same inputs give the same files.
//
//   rodiduz-make-pictures <output folder> [<bold font file>]
#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace {

QString g_face = QStringLiteral("Sans Serif");

// The resolutions the window pictures are drawn for, and the ending of each file's name.
struct Scale {
  qreal factor;
  const char* suffix;
};
constexpr Scale kScales[] = {{1.0, ".png"}, {1.5, "@1.5x.png"}, {2.0, "@2x.png"}};

bool Save(const QImage& image, const QString& folder, const QString& name) {
  const QString path = folder + QLatin1Char('/') + name;
  // Fixed compression and no text chunks, so the bytes depend only on the pixels.
  if (!image.save(path, "PNG", 9)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

// A gradient only needs a modest size: the window stretches it to its client area.
QImage Gradient(int width, int height, const QList<QPair<qreal, QColor>>& stops) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, 0, height);
  for (const auto& [at, colour] : stops) gradient.setColorAt(at, colour);
  painter.fillRect(image.rect(), gradient);
  return image;
}

QFont Face(int pixels) {
  QFont font(g_face);
  font.setPixelSize(pixels);
  font.setBold(true);
  font.setStyleStrategy(QFont::PreferAntialias);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

// The tick as a path in a 64 x 64 box.
QPainterPath TickPath(qreal scale) {
  QPainterPath tick;
  tick.moveTo(12 * scale, 34 * scale);
  tick.lineTo(26 * scale, 48 * scale);
  tick.lineTo(52 * scale, 16 * scale);
  return tick;
}

// An image of `width` x `height` at 1x, `scale` times as many pixels each way, with a painter
// that draws in 1x coordinates.
QImage Canvas(int width, int height, qreal scale) {
  QImage image(qRound(width * scale), qRound(height * scale), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

QImage CheckMark(qreal scale) {
  QImage image = Canvas(64, 64, scale);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(scale, scale);
  const QPainterPath tick = TickPath(1.0);
  painter.strokePath(tick, QPen(QColor(0x1b, 0x5e, 0x20), 13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.strokePath(tick, QPen(QColor(0x43, 0xa0, 0x47), 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  return image;
}

// The box drawn as a rounded blue tile with a wave for the air it measures and signal arcs
// for its modem.
void DrawBoxMark(QPainter& painter, const QRectF& tile) {
  const qreal unit = tile.width() / 100.0;
  QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
  fill.setColorAt(0, QColor(0x3f, 0x7f, 0xd8));
  fill.setColorAt(1, QColor(0x12, 0x3a, 0x8a));
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(tile, 18 * unit, 18 * unit);

  QPainterPath wave;
  wave.moveTo(tile.left() + 16 * unit, tile.top() + 66 * unit);
  wave.cubicTo(tile.left() + 34 * unit, tile.top() + 44 * unit, tile.left() + 50 * unit,
               tile.top() + 88 * unit, tile.left() + 84 * unit, tile.top() + 60 * unit);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Qt::white, 8 * unit, Qt::SolidLine, Qt::RoundCap));
  painter.drawPath(wave);

  const QPointF source(tile.left() + 50 * unit, tile.top() + 44 * unit);
  painter.setPen(QPen(QColor(0xff, 0xff, 0xff, 220), 6 * unit, Qt::SolidLine, Qt::RoundCap));
  for (int arc = 1; arc <= 2; ++arc) {
    const qreal radius = 12 * unit * arc;
    painter.drawArc(QRectF(source.x() - radius, source.y() - radius, 2 * radius, 2 * radius), 45 * 16,
                    90 * 16);
  }
  painter.setBrush(Qt::white);
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(source, 5 * unit, 5 * unit);
}

QImage Logo(qreal scale) {
  QImage image = Canvas(145, 165, scale);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.scale(scale, scale);
  DrawBoxMark(painter, QRectF(22.5, 6, 100, 100));
  painter.setFont(Face(30));
  painter.setPen(QColor(0x12, 0x3a, 0x8a));
  painter.drawText(QRectF(0, 108, 145, 40), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Rodiduz"));
  painter.setFont(Face(11));
  painter.setPen(QColor(0x55, 0x6b, 0x8d));
  painter.drawText(QRectF(0, 145, 145, 18), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("BOX"));
  return image;
}

QImage Icon(int size) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal margin = size >= 32 ? size / 16.0 : 0.5;
  DrawBoxMark(painter, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
  return image;
}

void AppendLittleEndian(QByteArray& out, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

// The Windows program's icon file: every size as a PNG entry, which Windows has read since
// Vista and which keeps the 256-pixel face small.
bool SaveIconFile(const QList<QImage>& faces, const QString& folder, const QString& name) {
  QList<QByteArray> encoded;
  for (const QImage& face : faces) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!face.save(&buffer, "PNG", 9)) return false;
    encoded.append(png);
  }
  constexpr int kHeaderSize = 6;
  constexpr int kEntrySize = 16;
  QByteArray file;
  AppendLittleEndian(file, 0, 2);  // reserved
  AppendLittleEndian(file, 1, 2);  // an icon, not a cursor
  AppendLittleEndian(file, static_cast<quint32>(faces.size()), 2);
  quint32 offset = kHeaderSize + kEntrySize * static_cast<quint32>(faces.size());
  for (int i = 0; i < faces.size(); ++i) {
    const int side = faces[i].width();
    AppendLittleEndian(file, side >= 256 ? 0 : static_cast<quint32>(side), 1);  // 0 stands for 256
    AppendLittleEndian(file, side >= 256 ? 0 : static_cast<quint32>(side), 1);
    AppendLittleEndian(file, 0, 1);   // no palette
    AppendLittleEndian(file, 0, 1);   // reserved
    AppendLittleEndian(file, 1, 2);   // planes
    AppendLittleEndian(file, 32, 2);  // bits per pixel
    AppendLittleEndian(file, static_cast<quint32>(encoded[i].size()), 4);
    AppendLittleEndian(file, offset, 4);
    offset += static_cast<quint32>(encoded[i].size());
  }
  for (const QByteArray& png : encoded) file.append(png);
  QFile out(folder + QLatin1Char('/') + name);
  if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // No screen is needed to draw into images.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [<bold font file>]\n", argv[0]);
    return 2;
  }
  const QString folder = arguments.at(1);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
    return 1;
  }
  if (arguments.size() > 2) {
    const int id = QFontDatabase::addApplicationFont(arguments.at(2));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) g_face = families.first();
  }

  // The dark blue stays at the very top, where no text lies: the white title below it and the
  // black headlines beside it keep their contrast (4.5:1, 3:1 for the large headlines) against
  // every pixel of their boxes, and the message text starts below the message window's dark band.
  const QColor dark_blue(0x10, 0x2a, 0x6b);
  const QColor headline_blue(0x36, 0x60, 0xad);
  const QColor mid_blue(0x4a, 0x7d, 0xc9);
  const QColor light_blue(0xc8, 0xdb, 0xf3);
  bool ok = true;
  for (const Scale& scale : kScales) {
    // As tall as the window's client area at this scale: the window only widens it, which is exact.
    ok &= Save(Gradient(64, qRound(453 * scale.factor),
                        {{0.0, dark_blue}, {35.0 / 453, headline_blue}, {62.0 / 453, mid_blue}, {0.62, light_blue},
                         {1.0, Qt::white}}),
               folder, QStringLiteral("background") + QLatin1String(scale.suffix));
    ok &= Save(Gradient(64, qRound(160 * scale.factor), {{0.0, dark_blue}, {0.2, mid_blue}, {1.0, Qt::white}}), folder,
               QStringLiteral("message-background") + QLatin1String(scale.suffix));
    ok &= Save(Logo(scale.factor), folder, QStringLiteral("logo") + QLatin1String(scale.suffix));
    ok &= Save(CheckMark(scale.factor), folder, QStringLiteral("check-mark") + QLatin1String(scale.suffix));
  }
  for (int size : {16, 32, 48, 64, 128, 256}) ok &= Save(Icon(size), folder, QStringLiteral("icon-%1.png").arg(size));
  QList<QImage> icon_faces;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon_faces.append(Icon(size));
  ok &= SaveIconFile(icon_faces, folder, QStringLiteral("icon.ico"));
  return ok ? 0 : 1;
}
