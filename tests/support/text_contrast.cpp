// Contrast and sharpness measured from pixels.
#include "support/text_contrast.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// The margin kept around a text's pixels, which already hold the strokes' antialiased edges: none,
// so that a check box's square or a button's edge beside the text does not count as its ground.
constexpr int kMargin = 0;

double Linear(std::uint32_t channel) {
  const double value = channel / 255.0;
  return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

std::uint32_t Channel(std::uint32_t rgb, int shift) { return (rgb >> shift) & 0xFFu; }

}  // namespace

double RelativeLuminance(std::uint32_t rgb) {
  return 0.2126 * Linear(Channel(rgb, 16)) + 0.7152 * Linear(Channel(rgb, 8)) + 0.0722 * Linear(Channel(rgb, 0));
}

double ContrastRatio(std::uint32_t first, std::uint32_t second) {
  const double a = RelativeLuminance(first);
  const double b = RelativeLuminance(second);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

double RequiredContrast(const LayoutFont& font) {
  const bool large = font.points >= 18 || (font.bold && font.points >= 14);
  return large ? 3.0 : 4.5;
}

std::optional<MeasuredText> MeasureText(const Pixels& with_text, const Pixels& without_text) {
  int left = with_text.width;
  int top = with_text.height;
  int right = -1;
  int bottom = -1;
  MeasuredText measured;
  double strongest = 0;
  for (int y = 0; y < with_text.height; ++y) {
    for (int x = 0; x < with_text.width; ++x) {
      const std::uint32_t ink = with_text.At(x, y);
      const std::uint32_t under = without_text.At(x, y);
      if (ink == under) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      if (const double stands_out = ContrastRatio(ink, under); stands_out > strongest) {
        strongest = stands_out;
        measured.colour = ink;
      }
    }
  }
  if (right < 0) return std::nullopt;
  left = std::max(left - kMargin, 0);
  top = std::max(top - kMargin, 0);
  right = std::min(right + kMargin, with_text.width - 1);
  bottom = std::min(bottom + kMargin, with_text.height - 1);
  measured.box = {left, top, right - left + 1, bottom - top + 1};
  measured.contrast = 1e9;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const double contrast = ContrastRatio(measured.colour, without_text.At(x, y));
      if (contrast < measured.contrast) {
        measured.contrast = contrast;
        measured.worst_background = without_text.At(x, y);
      }
    }
  }
  return measured;
}

double Sharpness(const Pixels& picture) {
  double total = 0;
  long count = 0;
  for (int y = 0; y + 1 < picture.height; ++y) {
    for (int x = 0; x + 1 < picture.width; ++x) {
      const double here = RelativeLuminance(picture.At(x, y));
      const double across = here - RelativeLuminance(picture.At(x + 1, y));
      const double down = here - RelativeLuminance(picture.At(x, y + 1));
      total += across * across + down * down;
      count += 2;
    }
  }
  return count == 0 ? 0 : total / static_cast<double>(count);
}

Pixels Reduced(const Pixels& picture, int factor) {
  Pixels reduced{picture.width / factor, picture.height / factor, {}};
  reduced.rgb.resize(static_cast<std::size_t>(reduced.width * reduced.height));
  for (int y = 0; y < reduced.height; ++y) {
    for (int x = 0; x < reduced.width; ++x) {
      std::uint32_t sums[3] = {};
      for (int dy = 0; dy < factor; ++dy) {
        for (int dx = 0; dx < factor; ++dx) {
          const std::uint32_t pixel = picture.At(x * factor + dx, y * factor + dy);
          for (int c = 0; c < 3; ++c) sums[c] += Channel(pixel, 16 - 8 * c);
        }
      }
      const std::uint32_t n = static_cast<std::uint32_t>(factor * factor);
      reduced.rgb[static_cast<std::size_t>(y * reduced.width + x)] =
          ((sums[0] + n / 2) / n) << 16 | ((sums[1] + n / 2) / n) << 8 | ((sums[2] + n / 2) / n);
    }
  }
  return reduced;
}

double MeanDifference(const Pixels& first, const Pixels& second) {
  double total = 0;
  for (std::size_t i = 0; i < first.rgb.size() && i < second.rgb.size(); ++i) {
    for (int shift : {16, 8, 0}) {
      total += std::abs(static_cast<int>(Channel(first.rgb[i], shift)) - static_cast<int>(Channel(second.rgb[i], shift)));
    }
  }
  return first.rgb.empty() ? 0 : total / (3.0 * static_cast<double>(first.rgb.size()));
}

Pixels Enlarged(const Pixels& picture, int factor) {
  Pixels enlarged{picture.width * factor, picture.height * factor, {}};
  enlarged.rgb.resize(static_cast<std::size_t>(enlarged.width * enlarged.height));
  // Each new pixel's centre, in the picture's pixels, between the four nearest of them.
  const auto source = [factor](int at, int limit, int& low, int& high, double& weight) {
    const double centre = std::clamp((at + 0.5) / factor - 0.5, 0.0, static_cast<double>(limit - 1));
    low = static_cast<int>(centre);
    high = std::min(low + 1, limit - 1);
    weight = centre - low;
  };
  for (int y = 0; y < enlarged.height; ++y) {
    int top = 0, bottom = 0;
    double down = 0;
    source(y, picture.height, top, bottom, down);
    for (int x = 0; x < enlarged.width; ++x) {
      int left = 0, right = 0;
      double across = 0;
      source(x, picture.width, left, right, across);
      std::uint32_t pixel = 0;
      for (int shift : {16, 8, 0}) {
        const double upper = Channel(picture.At(left, top), shift) * (1 - across) + Channel(picture.At(right, top), shift) * across;
        const double lower =
            Channel(picture.At(left, bottom), shift) * (1 - across) + Channel(picture.At(right, bottom), shift) * across;
        pixel |= static_cast<std::uint32_t>(upper * (1 - down) + lower * down + 0.5) << shift;
      }
      enlarged.rgb[static_cast<std::size_t>(y * enlarged.width + x)] = pixel;
    }
  }
  return enlarged;
}
