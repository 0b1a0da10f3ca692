#include "platform/win32/view/view_layout.h"

#include <algorithm>
#include <cmath>

#include "platform/win32/view/gdi_owners.h"

namespace muralis::win32 {

using editor::Colour;
using editor::SystemColour;

Dpi screen_dpi()
{
    WindowDc screen(nullptr);
    if (!screen.get())
        return {};
    return {::GetDeviceCaps(screen.get(), LOGPIXELSX), ::GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

editor::PixelRect pixel_rect(const editor::TwipsRect& rect, Dpi dpi)
{
    const editor::PixelRect across = editor::to_pixels(rect, dpi.x);
    const editor::PixelRect down = editor::to_pixels(rect, dpi.y);
    return {across.left, down.top, across.width, down.height};
}

int font_height(double points, int dpi)
{
    // In hundredths of a point, so that MulDiv's rounding (halves away from
    // zero) works on whole numbers: 975 * 96 / 7200 = 13.
    const int hundredths = static_cast<int>(std::lround(points * 100));
    return -::MulDiv(hundredths, dpi, 7200);
}

Colour window_back_colour()
{
    return Colour::system(SystemColour::ButtonFace);
}

int system_colour_index(editor::SystemColour colour)
{
    switch (colour) {
    case SystemColour::WindowBackground:
        return COLOR_WINDOW;
    case SystemColour::WindowText:
        return COLOR_WINDOWTEXT;
    case SystemColour::ButtonFace:
        return COLOR_BTNFACE;
    case SystemColour::ButtonText:
        break;
    }
    return COLOR_BTNTEXT;
}

COLORREF colour_ref(const Colour& colour)
{
    if (colour.kind == Colour::Kind::System)
        return ::GetSysColor(system_colour_index(colour.system_colour));
    return RGB(colour.red, colour.green, colour.blue);
}

std::vector<const editor::Control*> stacking_order(std::vector<const editor::Control*> controls)
{
    // Stable: controls without a tab index keep their creation order.
    std::stable_sort(controls.begin(), controls.end(), [](const editor::Control* a, const editor::Control* b) {
        if (a->tab_index() && b->tab_index())
            return *a->tab_index() < *b->tab_index();
        return a->tab_index().has_value() && !b->tab_index().has_value();
    });
    return controls;
}

} // namespace muralis::win32
