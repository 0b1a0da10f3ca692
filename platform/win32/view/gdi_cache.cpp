#include "platform/win32/view/gdi_cache.h"

#include "platform/win32/ansi_text.h"

namespace muralis::win32 {

GdiCache::GdiCache(Dpi dpi) : m_dpi(dpi)
{
    // Controls without a font of their own get the dialog font at 8 points:
    // "MS Shell Dlg" is what Windows maps to its dialog face (Microsoft Sans
    // Serif, the successor of the MS Sans Serif the layout was drawn for, or
    // Tahoma), and made here at the screen's real DPI it keeps its size
    // against the twips layout, which DEFAULT_GUI_FONT, made once at the
    // DPI of the log-on, does not.
    m_dialog_font.reset(::CreateFontA(font_height(8, m_dpi.y), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Shell Dlg"));
}

HFONT GdiCache::font_for(const std::optional<editor::Font>& font)
{
    if (!font)
        return m_dialog_font.get();
    for (const auto& [known, handle] : m_fonts) {
        if (known == *font)
            return handle.get();
    }
    FontHandle handle(::CreateFontA(font_height(font->points, m_dpi.y), 0, 0, 0, font->bold ? FW_BOLD : FW_NORMAL,
                                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                    ansi_from_utf8(font->face).c_str()));
    if (!handle)
        return m_dialog_font.get();
    m_fonts.emplace_back(*font, std::move(handle));
    return m_fonts.back().second.get();
}

HBRUSH GdiCache::brush_for(const editor::Colour& colour)
{
    if (colour.kind == editor::Colour::Kind::System)
        return ::GetSysColorBrush(system_colour_index(colour.system_colour));
    const COLORREF value = colour_ref(colour);
    for (const auto& [known, brush] : m_brushes) {
        if (known == value)
            return brush.get();
    }
    m_brushes.emplace_back(value, BrushHandle(::CreateSolidBrush(value)));
    return m_brushes.back().second.get();
}

int GdiCache::scaled(int pixels_at_96_dpi) const
{
    return ::MulDiv(pixels_at_96_dpi, m_dpi.y, 96);
}

} // namespace muralis::win32
