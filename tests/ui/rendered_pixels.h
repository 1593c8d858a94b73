// A Qt window rendered into pixels, at the scale of a display of that many device pixels per
// layout pixel, as the pixel measures read them.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "support/text_contrast.h"

inline Pixels ToPixels(const QImage& picture) {
  const QImage image = picture.convertToFormat(QImage::Format_RGB32);
  Pixels pixels{image.width(), image.height(), {}};
  pixels.rgb.reserve(static_cast<std::size_t>(image.width() * image.height()));
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) pixels.rgb.push_back(line[x] & 0xFFFFFFu);
  }
  return pixels;
}

inline QImage Rendered(QWidget& window, qreal scale) {
  QPixmap shot((QSizeF(window.size()) * scale).toSize());
  shot.setDevicePixelRatio(scale);
  shot.fill(Qt::black);
  window.render(&shot);
  return shot.toImage();
}
