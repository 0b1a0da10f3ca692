// The frame a window manager puts around the editor's window, known before
// the window is first shown, so that the window can be centred by its
// outer size as Windows centres it.
#pragma once

#include <optional>

#include <QMargins>

class QWidget;

namespace muralis::linux_platform {

// The frame around window, in pixels, as the X11 window manager will draw
// it (_NET_REQUEST_FRAME_EXTENTS, answered before the window is mapped);
// nothing when the window manager does not say so soon, or the session is
// no X11 one. A Wayland compositor places windows itself and tells no
// client where: there the window is not placed at all.
std::optional<QMargins> frame_to_come(QWidget& window);

} // namespace muralis::linux_platform
