// The fonts and brushes the controls of one window draw with, made once
// each and kept for the window's life: many controls share a font or a
// colour, and a paint must not make and free GDI objects.
#pragma once

#include <windows.h>

#include <optional>
#include <utility>
#include <vector>

#include "editor/controls.h"
#include "platform/win32/view/gdi_owners.h"
#include "platform/win32/view/view_layout.h"

namespace muralis::win32 {

class GdiCache {
public:
    explicit GdiCache(Dpi dpi);
    GdiCache(const GdiCache&) = delete;
    GdiCache& operator=(const GdiCache&) = delete;

    // The model's font at the screen's DPI; the dialog font for a control
    // without a font of its own, or when the face cannot be made.
    HFONT font_for(const std::optional<editor::Font>& font);

    // System colours give the system's own brushes, which follow the user's
    // colour scheme and are never freed; other colours get one brush each.
    HBRUSH brush_for(const editor::Colour& colour);

    Dpi dpi() const { return m_dpi; }
    // A length in pixels at 96 DPI, at the screen's DPI (down).
    int scaled(int pixels_at_96_dpi) const;

private:
    Dpi m_dpi;
    FontHandle m_dialog_font;
    std::vector<std::pair<editor::Font, FontHandle>> m_fonts;
    std::vector<std::pair<COLORREF, BrushHandle>> m_brushes;
};

} // namespace muralis::win32
