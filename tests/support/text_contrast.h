// Contrast of a text measured from pixels, as the accessibility guidelines ask: a view renders
// the same place with the text and without it; where the two differ is the text, the rest of
// its box what the text stands on.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "controller/window_layout.h"

// An image as rows of 0xRRGGBB.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> rgb;
  std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
};

double RelativeLuminance(std::uint32_t rgb);
double ContrastRatio(std::uint32_t first, std::uint32_t second);
// 3:1 for large text (18 points, or 14 points bold), 4.5:1 for the rest.
double RequiredContrast(const LayoutFont& font);

struct MeasuredText {
  LayoutBox box;             // the box of the text's pixels within the image
  std::uint32_t colour = 0;  // the text's own colour: its pixel that stands out most
  std::uint32_t worst_background = 0;
  double contrast = 0;  // against the background pixel of the box that comes closest to it
};

// Nothing when the two renderings do not differ (no text, or an empty one). Both
// images have the same size.
std::optional<MeasuredText> MeasureText(const Pixels& with_text, const Pixels& without_text);

// How sharp a picture is: the mean square of the luminance steps between neighbouring pixels,
// across and down. Enlarging a picture twice splits each edge's step in two halves, which
// halves it; a picture drawn at the finer resolution keeps whole steps.
double Sharpness(const Pixels& picture);
// The picture brought down by an integer factor, each pixel the mean of its block.
Pixels Reduced(const Pixels& picture, int factor);
// The mean absolute difference of two pictures of one size, per channel, 0 to 255.
double MeanDifference(const Pixels& first, const Pixels& second);
// The picture enlarged by an integer factor with bilinear smoothing, as a system stretches the
// picture of a window that cannot draw itself at the display's scale.
Pixels Enlarged(const Pixels& picture, int factor);
