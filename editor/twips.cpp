#include "editor/twips.h"

#include <cmath>

namespace muralis::editor {

int twips_to_pixels(int twips, int dpi)
{
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = 720;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / 1440 : -((-scaled + half) / 1440));
}

int position_to_pixels(float twips, int dpi)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / 1440.0));
}

int pixels_to_twips(int pixels, int dpi)
{
    return static_cast<int>(std::lround(static_cast<double>(pixels) * 1440.0 / dpi));
}

PixelRect to_pixels(const TwipsRect& rect, int dpi)
{
    const int left = twips_to_pixels(rect.left, dpi);
    const int top = twips_to_pixels(rect.top, dpi);
    return {left, top, twips_to_pixels(rect.right(), dpi) - left, twips_to_pixels(rect.bottom(), dpi) - top};
}

} // namespace muralis::editor
