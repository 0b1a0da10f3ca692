#include "platform/linux/linux_desktop.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <utility>

#include <gio/gio.h>

#include "platform/background_task.h"
#include "platform/linux/dbus/gobject_ptr.h"
#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/pictures/plain_bitmap.h"

namespace muralis::linux_platform {

namespace {

// The picture of a file made ready for the session's backend. A plain
// bitmap is read, and drawn where the backend draws, on a thread of its own
// while the caller goes on; any other picture goes to the toolkit at
// finish(), on the caller's thread: Qt takes the first thread that uses it
// for its main thread, where its message boxes must run.
class LinuxPreparedWallpaper final : public PreparedWallpaper {
public:
    LinuxPreparedWallpaper(Toolkit& toolkit, WallpaperBackendChooser choose_backend, std::string path)
        : m_toolkit(toolkit), m_choose_backend(choose_backend), m_path(std::move(path)),
          m_task(read_in_background(open_picture_file(m_path, m_size)))
    {
    }

    void finish() override
    {
        m_task.finish();
        if (!m_backend)
            make_ready(m_toolkit.read_picture(m_path));
    }

    void install(const std::string& path) override
    {
        finish();
        m_backend->install(path);
    }

private:
    std::function<void()> read_in_background(UniqueFd fd)
    {
        return [this, fd = std::make_shared<UniqueFd>(std::move(fd))] {
            if (std::optional<RgbImage> picture = read_plain_bitmap(fd->get(), m_size))
                make_ready(std::move(*picture));
        };
    }

    void make_ready(RgbImage picture)
    {
        m_backend = m_choose_backend(m_toolkit);
        m_backend->prepare(std::move(picture));
    }

    Toolkit& m_toolkit;
    WallpaperBackendChooser m_choose_backend;
    std::string m_path;
    std::uint64_t m_size = 0;
    std::unique_ptr<WallpaperBackend> m_backend;
    // Last: it is done with the members above before they go.
    BackgroundTask m_task;
};

} // namespace

void LinuxDesktop::install_wallpaper(const std::string& path)
{
    // The backend falls back on the root window by itself, and tells the
    // user when nothing could show the picture; the seam reports nothing.
    if (m_choose_backend)
        m_choose_backend(*m_toolkit)->install(path);
}

std::unique_ptr<PreparedWallpaper> LinuxDesktop::prepare_wallpaper(const std::string& path)
{
    if (!m_choose_backend)
        return Desktop::prepare_wallpaper(path);
    return std::make_unique<LinuxPreparedWallpaper>(*m_toolkit, m_choose_backend, path);
}

MessageAnswer LinuxDesktop::message_box(const std::string& title, const std::string& text,
                                        const MessageStyle& style)
{
    if (const auto answer = m_toolkit->message_box(title, text, style))
        return *answer;
    // No display to show it on: standard error is the only place left, and
    // nobody there to answer.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), with_newlines(text).c_str());
    return style.default_answer;
}

std::shared_ptr<const Picture> LinuxDesktop::load_picture(const std::string& path)
{
    return m_toolkit->load_picture(path);
}

void LinuxDesktop::open_web_address(const std::string& address)
{
    // GIO finds the user's handler for the address's scheme in mimeapps.list
    // (x-scheme-handler/https) and starts it with the address as one
    // argument: no shell ever reads the address. Failures (no handler, a
    // handler that cannot start) are dropped, as the seam asks.
    GErrorSlot error;
    g_app_info_launch_default_for_uri(address.c_str(), nullptr, error.out());
}

} // namespace muralis::linux_platform
