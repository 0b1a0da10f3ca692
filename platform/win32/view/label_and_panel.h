// The labels and the panel they stand on. A label is transparent unless the
// model gives it a colour: its text lies on its container's background,
// and labels may overlap (those of the panel do, by a few pixels). The
// panel is a window of the view's own class that paints its colour and
// passes its labels' notifications on to the window.
#pragma once

#include "platform/win32/view/native_control.h"

namespace muralis::win32 {

class LabelControl final : public NativeControl {
public:
    LabelControl(editor::Label& model, ControlHost& host) : NativeControl(model, host) {}

    void show(editor::Property property) override;
    HBRUSH colours(HDC dc) override;

protected:
    Creation creation() const override;
    // Its container's background: the panel's, or the window's.
    editor::Colour usual_back_colour() const override;

private:
    void repaint_under();
};

class PanelControl final : public NativeControl {
public:
    PanelControl(editor::Frame& model, ControlHost& host) : NativeControl(model, host) {}

protected:
    // Neither the panel nor the window clips its children: the transparent
    // labels need the background painted under them.
    Creation creation() const override { return {panel_class_name, WS_CLIPSIBLINGS}; }
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override;
};

} // namespace muralis::win32
