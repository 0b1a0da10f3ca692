#include "platform/linux/linux_desktop.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <utility>

#include "platform/background_task.h"
#include "platform/linux/dbus/gobject_ptr.h"
#include "platform/formats/picture_header.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/pictures/picture_reader.h"

namespace muralis::linux_platform {

namespace {

// The picture of a file made ready for the session's backend, read on a
// thread of its own while the caller goes on: a plain bitmap, read and
// drawn where the backend draws while the caller copies the file; a JPEG,
// PNG or WebP decoded, to be written as the daily bitmap, then drawn. Any
// other bitmap goes to the toolkit at finish(), on the caller's thread: Qt
// takes the first thread that uses it for its main thread, where its
// message boxes must run.
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
        if (m_backend)
            return;
        if (m_decoded)
            make_ready(*std::exchange(m_decoded, std::nullopt));
        else
            make_ready(m_toolkit.read_picture(m_path));
    }

    void replace_daily_bitmap(Files& files, const std::string& picture, const std::string& daily_bitmap) override
    {
        // A bitmap is copied while it is read; finish() is the copy's check.
        if (m_bitmap_bytes) {
            PreparedWallpaper::replace_daily_bitmap(files, picture, daily_bitmap);
            return;
        }
        m_task.finish();
        // Decoded completely by now; the old daily bitmap is replaced only
        // once the new one is written whole. Pixels already handed to the
        // backend are read again.
        if (!m_decoded)
            m_decoded = for_daily_bitmap(*read_picture_file(picture));
        // The backend draws the same pixels for the screen on another
        // thread while they are written: both only read them.
        auto pixels = std::make_shared<RgbImage>(m_decoded->shared());
        BackgroundTask drawing([this, pixels] { make_ready(std::move(*pixels)); });
        replace_with_bitmap(daily_bitmap, *m_decoded);
        drawing.finish();
        m_decoded.reset();
    }

    void install(const std::string& path) override
    {
        finish();
        m_backend->install(path);
    }

private:
    std::function<void()> read_in_background(UniqueFd fd)
    {
        // The header is read at once: whether the file is copied or
        // written decides what the caller waits for.
        FileBytes bytes(fd.get(), m_size);
        m_bitmap_bytes = formats::read_picture_header(bytes).format == formats::PictureFormat::Bitmap;
        return [this, fd = std::make_shared<UniqueFd>(std::move(fd))] {
            std::optional<RgbImage> picture = read_picture(fd->get(), m_size, m_path);
            if (!picture)
                return;
            if (m_bitmap_bytes)
                make_ready(std::move(*picture));
            else
                m_decoded = for_daily_bitmap(std::move(*picture));
        };
    }

    // The picture at the daily bitmap's size: its own, or scaled down to
    // fit 7680 x 4320, its shape kept.
    static RgbImage for_daily_bitmap(RgbImage picture)
    {
        const formats::PixelSize size = formats::daily_bitmap_size(picture.width(), picture.height());
        if (size == formats::PixelSize{picture.width(), picture.height()})
            return picture;
        return fill(std::move(picture), size.width, size.height);
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
    bool m_bitmap_bytes = false;
    std::optional<RgbImage> m_decoded;
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
    return m_toolkit->load_picture(path, {});
}

std::shared_ptr<const Picture> LinuxDesktop::load_preview(const std::string& path, TwipsSize shown)
{
    return m_toolkit->load_picture(path, shown);
}

std::string LinuxDesktop::picture_pattern()
{
    return linux_platform::picture_pattern();
}

void LinuxDesktop::open_web_address(const std::string& address)
{
    // GIO finds the user's handler for the address's scheme in mimeapps.list
    // (x-scheme-handler/https) and starts it with the address as one
    // argument: no shell ever reads the address. Failures (no handler, a
    // handler that cannot start) are dropped, as the seam asks.
    const GioLibrary& gio = gio_library();
    if (!gio.complete)
        return;
    GErrorSlot error;
    gio.app_info_launch_default_for_uri(address.c_str(), nullptr, error.out());
}

} // namespace muralis::linux_platform
