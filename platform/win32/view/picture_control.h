// The preview: a window of the view's own class that shows the model's
// picture stretched over its whole client area, inside a border, or the
// window's background when there is none.
#pragma once

#include "platform/win32/view/gdi_owners.h"
#include "platform/win32/view/native_control.h"

namespace muralis::win32 {

class PictureControl final : public NativeControl {
public:
    PictureControl(editor::Image& model, ControlHost& host) : NativeControl(model, host), m_image(model) {}

    void show(editor::Property property) override;

protected:
    Creation creation() const override { return {picture_class_name, WS_CLIPSIBLINGS | WS_BORDER}; }
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void paint(HDC dc);

    editor::Image& m_image;
    // The picture stretched to the control, made at its first paint and
    // kept: a reduction of a large picture is far dearer than a paint. It
    // keeps its source alive, so that no other picture can take its
    // address.
    struct Stretched {
        editor::PicturePtr source;
        int width = 0;
        int height = 0;
        BitmapHandle bitmap;
    };
    Stretched m_stretched;
};

} // namespace muralis::win32
