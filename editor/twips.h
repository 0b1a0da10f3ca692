// Twips (1/1440 inch) to the screen's pixels.
#pragma once

#include "editor/controls.h"

namespace muralis::editor {

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// A position in twips as pixels at dpi dots per inch, rounded to the
// nearest pixel (halves away from zero): 15 twips a pixel at 96 DPI.
int twips_to_pixels(int twips, int dpi);
// The same for a window's position, which is kept in single precision.
int position_to_pixels(float twips, int dpi);
// Pixels at dpi as twips, rounded to the nearest twip.
int pixels_to_twips(int pixels, int dpi);

// A rectangle with each of its edges rounded on its own, so that controls
// that share an edge in twips share it in pixels too.
PixelRect to_pixels(const TwipsRect& rect, int dpi);

} // namespace muralis::editor
