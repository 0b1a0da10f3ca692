// How the Win32 window lays out and colours the model's controls: the parts
// of the view that need no window, kept apart so that they can be checked
// on their own.
#pragma once

#include <windows.h>

#include <vector>

#include "editor/controls.h"
#include "editor/twips.h"

namespace muralis::win32 {

// Dots per inch of the screen, across and down.
struct Dpi {
    int x = 96;
    int y = 96;
};

// What GetDeviceCaps says of the screen. Only a DPI-aware process is told
// the real figures; others are told 96 and scaled by the system.
Dpi screen_dpi();

// A rectangle in twips as pixels: across at dpi.x, down at dpi.y, each edge
// rounded on its own (editor::to_pixels).
editor::PixelRect pixel_rect(const editor::TwipsRect& rect, Dpi dpi);

// The lfHeight of a font of the given size in points: negative, so that it
// is the character height without the internal leading, as point sizes are
// meant; rounded to the nearest pixel (9.75 pt is 13 px at 96 DPI, 8.25 pt
// is 11 px).
int font_height(double points, int dpi);

// The window's own background: the colour of buttons and dialogs.
editor::Colour window_back_colour();

// The index GetSysColor and GetSysColorBrush know a system colour by.
int system_colour_index(editor::SystemColour colour);

// A model colour as GDI takes it; system colours are looked up now, so that
// a change of the user's colour scheme shows at the next paint.
COLORREF colour_ref(const editor::Colour& colour);

// Controls that have a window, in the order they are stacked among their
// siblings, top first: by tab index, then those without one. Dialog-style
// Tab navigation follows the stacking order, and the first in it covers the
// later ones where they overlap, which puts the panel (tab index 7) over
// the picture (none), as a windowed control always covers a picture.
std::vector<const editor::Control*> stacking_order(std::vector<const editor::Control*> controls);

} // namespace muralis::win32
