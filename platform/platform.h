// The services the portable layers ask of the operating system. Each real
// platform implements these interfaces with its own system calls; the tests
// use a recording fake. Nothing above this header sees an OS or toolkit header.
//
// Texts are UTF-8 throughout. A platform whose system calls take another
// encoding converts at the call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace muralis {

// A size in twips (1/1440 inch).
struct TwipsSize {
    int width = 0;
    int height = 0;
    bool operator==(const TwipsSize&) const = default;
};

// What tells one version of a file from another without reading it.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t written = 0; // as Files::last_written counts
    bool operator==(const FileStamp&) const = default;
};

struct LocalDate {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
};

class Files {
public:
    virtual ~Files() = default;

    // True when a directory search asking for normal files only finds path:
    // a folder, a dangling link or (on Windows) a hidden or system file is
    // not a normal file.
    virtual bool is_normal_file(const std::string& path) = 0;

    // The content of a text file, in UTF-8: its first at_most bytes as
    // stored (all of a shorter file), so that a damaged file of any size
    // costs no more than the reader can use. Throws Failure.
    virtual std::string read_text(const std::string& path, std::size_t at_most) = 0;
    std::string read_text(const std::string& path) { return read_text(path, std::string::npos); }

    // Replaces the file at path with text, written to a temporary file in the
    // same folder, flushed to the disk and renamed over path. After a failure
    // (thrown as Failure) the previous file is intact and no temporary file
    // is left behind.
    virtual void replace_text(const std::string& path, const std::string& text) = 0;

    // Copies the file at from to to, replacing to if it exists. Throws
    // Failure. (Linux copies to a temporary file renamed over to; Windows
    // lets CopyFileA replace it.)
    virtual void copy_replacing(const std::string& from, const std::string& to) = 0;

    // Copies from to to as copy_replacing does, and replaces to only once
    // check has returned: when the copy or check throws, to is left as it
    // was and the exception is passed on (a failed copy's, without running
    // check). This one runs check first, then copies.
    virtual void copy_replacing_checked(const std::string& from, const std::string& to,
                                        const std::function<void()>& check)
    {
        check();
        copy_replacing(from, to);
    }

    // When the file at path was last written, as a number that grows with
    // time; 0 when that cannot be told.
    virtual std::int64_t last_written(const std::string& path) = 0;

    // The size and last-write time of the file at path, from one look at
    // it; none when there is no such file or it is a folder.
    virtual std::optional<FileStamp> file_stamp(const std::string& path) = 0;

    // Whether this process can create and delete a file in folder (which
    // ends with the path separator). Leaves nothing behind.
    virtual bool can_create_files_in(const std::string& folder) = 0;

    // Creates folder and its missing parents. Throws Failure.
    virtual void create_folder(const std::string& folder) = 0;

    // Drives and folders, as the editor's drive, folder and file lists show
    // them. A drive is a letter and a colon on Windows ("C:") and the mount
    // point of a file system a user would browse on Linux ("/", "/home",
    // "/media/usb"); pseudo file systems are not drives.

    // The drives, in the order a drive list shows them.
    virtual std::vector<std::string> drives() = 0;

    // The drive that holds path (which need not exist): on Windows its
    // letter, on Linux the deepest drive whose mount point contains it.
    // Throws Failure when no such drive exists.
    virtual std::string drive_of(const std::string& path) = 0;

    // The folder that a folder list shows when text is written to it, in
    // the one form every reader gets back: absolute, with no repeated
    // separators, no "." or ".." parts and no trailing separator except at a
    // root ("C:\" on Windows, "/" on Linux). A bare drive ("C:") names that
    // drive's current folder. Links are not resolved. Throws Failure when the
    // drive is not ready or the folder does not exist.
    virtual std::string folder_path(const std::string& text) = 0;

    // The names of the sub-folders and of the normal files of folder (a
    // folder_path() result), in no particular order. Throws Failure.
    virtual std::vector<std::string> folder_names(const std::string& folder) = 0;
    virtual std::vector<std::string> file_names(const std::string& folder) = 0;
};

class System {
public:
    virtual ~System() = default;

    // The folder where the programs keep their data, exactly as the system
    // reports it, without a trailing separator; empty when the query fails.
    virtual std::string windows_directory() = 0;

    // A per-user folder to use when windows_directory() is not writable by
    // this process, without a trailing separator; empty when the platform
    // has none. Not created by this call.
    virtual std::string fallback_data_folder() = 0;

    // The per-user copy of windows_directory() that the system gave older
    // programs writing there without the right to (Windows' VirtualStore),
    // without a trailing separator; empty when the platform has none.
    virtual std::string virtual_store_folder() = 0;

    // The buffer the system filled with the English name of the user's
    // language: the name, then NUL characters. Left all NUL on failure.
    virtual std::string language_name_buffer() = 0;

    // The folder of the running program, without a trailing separator.
    virtual std::string program_folder() = 0;

    // Makes folder the current drive and folder. Throws Failure.
    virtual void change_current_folder(const std::string& folder) = 0;

    // The character that separates the parts of a path.
    virtual char path_separator() = 0;

    // Added to a program's name to make its file name (".exe" on Windows).
    virtual std::string program_suffix() = 0;

    virtual LocalDate local_date() = 0;

    // The full name of a weekday (1 = Sunday .. 7 = Saturday) as the
    // system's date formatting spells it in the user's own locale, the way
    // the format "dddd" writes it: "Monday", "lundi".
    virtual std::string weekday_name(int weekday) = 0;

    // text in capitals, by the case rules of the user's locale.
    virtual std::string upper_case(const std::string& text) = 0;

    // The system's own short warning sound. Reports nothing.
    virtual void beep() = 0;

    // The size of the screen the editor's window is on, in twips.
    virtual TwipsSize screen_size() = 0;

    // Starts the program at path with no arguments and a normal, activated
    // window; returns without waiting for it. Throws Failure when the program
    // cannot be started.
    virtual void start_program(const std::string& path) = 0;
};

// A picture loaded by the platform, drawn by the same platform's window.
class Picture {
public:
    virtual ~Picture() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
};

// What a message box shows besides its text, and the answers it gives.
enum class MessageIcon { None, Stop, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageStyle {
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    // The button that Enter presses; one of the box's buttons.
    MessageAnswer default_answer = MessageAnswer::Ok;
    bool operator==(const MessageStyle&) const = default;
};

// What Desktop::prepare_wallpaper makes ready, which then installs the
// wallpaper itself; only the platform that made it knows what it holds. The
// work may go on in the background until finish(); destroying it unfinished
// abandons the work.
class PreparedWallpaper {
public:
    virtual ~PreparedWallpaper() = default;

    // Waits for the work. Throws Failure, as Desktop::load_picture does, when
    // the picture turned out to be none the desktop can show.
    virtual void finish() {}

    // Replaces the daily bitmap at daily_bitmap with the picture in the file
    // at picture, the one this was made from, by way of a file beside it
    // renamed over it: the old daily bitmap stays whole until the new one
    // is, and stays after any failure (thrown). A file whose bytes are a
    // bitmap is copied byte for byte, and replaces the daily bitmap once
    // finish() has found it a picture; a picture of another format is
    // decoded completely first (finish()), then written as an uncompressed
    // 24-bit bitmap, rows bottom up, scaled down to fit 7680 x 4320 (see
    // formats::daily_bitmap_size). This one copies, as for a bitmap.
    virtual void replace_daily_bitmap(Files& files, const std::string& picture, const std::string& daily_bitmap)
    {
        files.copy_replacing_checked(picture, daily_bitmap, [this] { finish(); });
    }

    // Installs the bitmap at path, which holds a copy of the picture this
    // was made from, as Desktop::install_wallpaper does, with what was made
    // ready; the work is finished first. Throws Failure only as finish()
    // does.
    virtual void install(const std::string& path) = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // Installs the bitmap at path as the desktop wallpaper, stored in the
    // user's settings. Reports nothing, whatever happens.
    virtual void install_wallpaper(const std::string& path) = 0;

    // Starts checking that the bitmap at path is a picture the desktop can
    // show, and making ready whatever showing it takes, without changing
    // the screen yet. Throws Failure as load_picture does when the picture
    // is found wanting at once; the rest is told by the result's finish().
    // Never null. This one checks at once and makes nothing ready: what it
    // gives installs through install_wallpaper (WallpaperAsIs).
    virtual std::unique_ptr<PreparedWallpaper> prepare_wallpaper(const std::string& path);

    // A modal message box; returns the button the user pressed once the box
    // is closed (closing it any other way answers as its last button, No or
    // OK). A lone carriage return in text breaks the line. While the editor's
    // window exists the box is owned by it, shown or not yet: the window
    // takes no input until the box is closed.
    virtual MessageAnswer message_box(const std::string& title, const std::string& text,
                                      const MessageStyle& style) = 0;

    // A box with an OK button only and no icon.
    void show_message(const std::string& title, const std::string& text) { message_box(title, text, {}); }

    // Puts a shortcut named shortcut_name into the program group group_name
    // of the user's Start menu, replacing one of that name; it starts target
    // with arguments. The start-up group, whose members the system starts at
    // every log-on, is named "\Startup" in English and "\Démarrage" in
    // French. Throws Failure, with the system's description, when the
    // shortcut cannot be made.
    virtual void create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                                 const std::string& target, const std::string& arguments) = 0;

    // Has the system start target with the one argument argument at every
    // local midnight (a midnight missed while the computer slept, as soon
    // as it wakes) and, where the system tells of it, whenever the user
    // unlocks the session, for this user only. Registered under name,
    // replacing what an earlier call made under that name, so that calling
    // it again changes nothing. A system without such a service for this
    // session gets what it can keep for later and no failure. Throws
    // Failure, with the system's description, when the registration fails.
    virtual void register_day_change(const std::string& name, const std::string& target,
                                     const std::string& argument) = 0;

    // The picture in the file at path. Throws Failure when it is missing or
    // is no readable picture: 53 when missing, 481 for a file that holds
    // none of the formats picture_pattern() lists (whatever its name says
    // of a bitmap; a JPEG, PNG or WebP only under a name that says so), is
    // damaged or cut short, or declares more than 16384 pixels a side.
    virtual std::shared_ptr<const Picture> load_picture(const std::string& path) = 0;

    // The same picture for a box of shown twips that stretches it over its
    // whole size: the platform may keep fewer pixels than the file holds
    // (reading a bitmap's rows and columns sparsely, decoding a JPEG at a
    // reduced scale) as long as the box shows the same picture. Refuses
    // exactly the files load_picture refuses. This one is load_picture.
    virtual std::shared_ptr<const Picture> load_preview(const std::string& path, TwipsSize shown)
    {
        (void)shown;
        return load_picture(path);
    }

    // The file list's pattern of the pictures load_picture reads here:
    // "*.bmp", then the extensions of the other formats whose decoders this
    // system has ("*.bmp;*.jpg;*.jpeg;*.png;*.webp" with all of them).
    virtual std::string picture_pattern() { return "*.bmp"; }

    // Opens address, an absolute http or https address that the caller has
    // checked (see editor/web_address.h), in the user's web browser, without
    // waiting for it. Reports nothing, whatever happens.
    virtual void open_web_address(const std::string& address) = 0;
};

// A wallpaper with nothing made ready for it: installed as any bitmap is,
// through Desktop::install_wallpaper.
class WallpaperAsIs final : public PreparedWallpaper {
public:
    explicit WallpaperAsIs(Desktop& desktop) : m_desktop(desktop) {}
    void install(const std::string& path) override { m_desktop.install_wallpaper(path); }

private:
    Desktop& m_desktop;
};

inline std::unique_ptr<PreparedWallpaper> Desktop::prepare_wallpaper(const std::string& path)
{
    load_picture(path);
    return std::make_unique<WallpaperAsIs>(*this);
}

// The services one program run uses, passed in at start.
struct Platform {
    Files& files;
    System& system;
    Desktop& desktop;
};

} // namespace muralis
