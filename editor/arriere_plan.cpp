#include "editor/arriere_plan.h"

#include "editor/web_address.h"
#include "schedule/first_run.h"
#include "schedule/language.h"
#include "schedule/weekday.h"
#include "schedule/windows_folder.h"

namespace muralis::editor {

namespace {

constexpr const char* product = "Muralis";

// The maker's web address, kept only in this scrambled form: reversed, and
// each character code lowered by the text's length (Promotion undoes it).
constexpr const char stored_visit_address[] = "\x13KVS\x12IPTQE\\I\x12WMPEVYQ\x13\x13\x1eWTXXL";

// The designer line in five pieces, each scrambled like the address with
// its own length (Moi_A undoes it).
constexpr const char* stored_credits[5] = {"beQ", "nqI\x1c", "oeh]", "bq\x1d", "k_"};

// Undoes the scrambling: each character, its code raised by the text's
// length, goes in front of what is already there.
void unscramble_in_front(std::string& result, const std::string& stored)
{
    const auto length = static_cast<unsigned>(stored.size());
    for (char c : stored)
        result.insert(result.begin(), static_cast<char>(static_cast<unsigned char>(c) + length));
}

// What the schedule file cannot hold in a quoted line.
bool can_be_kept_in_schedule(const std::string& path)
{
    return path.find_first_of("\"\r\n") == std::string::npos;
}

std::string without_surrounding_spaces(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

Arriere_Plan::Arriere_Plan(const Platform& platform)
    : Arriere_Plan(platform, platform.system.program_folder())
{
}

Arriere_Plan::Arriere_Plan(const Platform& platform, std::string program_folder)
    : ArrierePlanForm(platform.files, platform.system.path_separator(), program_folder),
      m_platform(platform),
      m_start_folder(std::move(program_folder)),
      m_program_folder(Dir1.Path()),
      m_separator(platform.system.path_separator()),
      m_picture_pattern(platform.desktop.picture_pattern())
{
    // "*.bmp;*.jpg" gives "BMP" and "JPG": the endings of the names the day
    // label stays shown for.
    const PatternList patterns(m_picture_pattern);
    for (const std::string& pattern : patterns.patterns()) {
        if (pattern.starts_with("*.") && pattern.size() > 2) {
            std::string ending = pattern.substr(2);
            for (char& c : ending)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 'a' + 'A');
            m_picture_endings.push_back(ending);
        }
    }
    Drive1.Change = [this] { Drive1_Change(); };
    Dir1.Change = [this] { Dir1_Change(); };
    File1.Click = [this] { File1_Click(); };
    File1.DblClick = [this] { file1_DblClick(); };
    File1.KeyPress = [this](int character) { file1_KeyPress(character); };
    File1.PathChange = [this] { file1_PathChange(); };
    Bouton_Accepter.Click = [this] { Bouton_Accepter_Click(); };
    Bouton_Image.Click = [this] { Bouton_Image_Click(); };
    Bouton_Enregistrer.Click = [this] { Bouton_Enregistrer_Click(); };
    Bouton_Quitter.Click = [this] { Bouton_Quitter_Click(); };
    Visite.Click = [this] { Visite_Click(); };
    Visite.DblClick = [this] { Visite_DblClick(); };
    Timer1.Tick = [this] { Timer1_Timer(); };
    Timer2.Tick = [this] { Timer2_Timer(); };
    // What a screen reader calls the controls is no caption: it is in the
    // window's language before a view first reads it, whatever the load
    // goes on to do.
    if (french()) {
        Drive1.set_AccessibleName("Lecteur");
        Dir1.set_AccessibleName("Dossiers");
        File1.set_AccessibleName("Images");
        Visite.set_AccessibleName("Visitez");
        Image1.set_AccessibleName("Aperçu");
    }
}

bool Arriere_Plan::french() const
{
    return Langage::is_french(m_platform.system);
}

int Arriere_Plan::today() const
{
    return weekday_number(m_platform.system.local_date());
}

std::string Arriere_Plan::day_caption(int weekday) const
{
    if (weekday < 1 || weekday > 7)
        return {};
    return m_platform.system.upper_case(m_platform.system.weekday_name(weekday));
}

void Arriere_Plan::End()
{
    m_ended = true;
    m_sink.notify_ended();
}

// ---- Load, save and the ways out ---------------------------------------------

void Arriere_Plan::Form_Load()
{
    if (french())
        Traduction();
    Timer1.set_Interval(0);
    m_platform.system.change_current_folder(m_start_folder);
    // Centred on the screen, in single precision as the window's position is
    // kept; a screen smaller than the window gives a negative position.
    const TwipsSize screen = m_platform.system.screen_size();
    Move((static_cast<float>(screen.width) - static_cast<float>(Width())) / 2.0f,
         (static_cast<float>(screen.height) - static_cast<float>(Height())) / 2.0f);
    Dossier_Windows();
    Recuperer();
    Image_Du_Jour();
    Emplacement_Photo();
    File1.set_Pattern(m_picture_pattern);
    Jour.set_Caption(day_caption(today()));
    if (!Image1.Picture())
        Bouton_Accepter.set_Enabled(false);
    Image_Du_Jour();
    Promotion();
    if (missing_picture_flag == 1) {
        // Today's picture has gone: the file the list has selected in its
        // folder is offered instead. With none selected the path names the
        // folder, which is no picture.
        Frame1.set_Visible(false);
        Image1.set_Visible(true);
        current_picture_path = File1.Path() + m_separator + File1.FileName();
        bool shown = false;
        if (File1.ListIndex() != -1) {
            try {
                Image1.set_Picture(picture_at(current_picture_path));
                shown = true;
            } catch (const Failure&) {
                Image1.set_Picture(nullptr);
            }
        }
        Bouton_Accepter.set_Enabled(shown);
    }
}

void Arriere_Plan::Traduction()
{
    set_Caption("Muralis");
    Bouton_Image.set_Caption("Images");
    Bouton_Accepter.set_Caption("Accepter");
    Bouton_Enregistrer.set_Caption("Enregistrer");
    Bouton_Quitter.set_Caption("Quitter");
    Aff_Visitez.set_Caption("Visitez");
    // The top line would otherwise keep the English "Choose the" above
    // "Choisissez"; the French instruction reads whole without it.
    Label1[0].set_Caption("");
    Label1[1].set_Caption("Choisissez");
    Label1[2].set_Caption("l'image .BMP");
    Label1[3].set_Caption("pour");
}

void Arriere_Plan::Dossier_Windows()
{
    windows_folder = find_windows_folder(m_platform.system, m_platform.files);
}

// Fills slots 1 to 7 from the schedule file, or on a run that finds none,
// registers Muralrun to start at log-on. A failure is shown to the user and
// the load goes on: slots read before it keep their new values.
void Arriere_Plan::Recuperer()
{
    try {
        const std::string path = schedule_path(windows_folder);
        if (!m_platform.files.is_normal_file(path)) {
            first_run_flag = 1;
            register_applier_at_log_on(m_platform.system, m_platform.desktop);
            return;
        }
        const std::string text = m_platform.files.read_text(path, schedule_read_limit);
        ItemReader reader(text);
        for (loop_index = 1; loop_index <= 7; ++loop_index)
            weekday_slot_table[static_cast<std::size_t>(loop_index)] = reader.read_item();
    } catch (const Failure& failure) {
        m_platform.desktop.show_message(product, failure.description());
    }
}

// Saved back where the week was read, or into the user's own data folder
// where this process may not write (which is then the newest week).
void Arriere_Plan::Enregistrer()
{
    write_schedule(m_platform.files, schedule_save_path(), weekday_slot_table);
}

std::string Arriere_Plan::schedule_save_path()
{
    return muralis::schedule_save_path(m_platform.system, m_platform.files, windows_folder);
}

// A save that fails keeps the week: the file on disk stays as it was, the
// user is told why, and Save stays enabled for another try.
void Arriere_Plan::Bouton_Enregistrer_Click()
{
    try {
        Enregistrer();
    } catch (const Failure& failure) {
        m_platform.desktop.show_message(
            product, std::string(french() ? "Impossible d'enregistrer le fichier: " : "Could not save the file: ") +
                         schedule_save_path() + "\r" + failure.description());
        return;
    }
    Bouton_Quitter.set_Enabled(true);
    Bouton_Enregistrer.set_Enabled(false);
    // From the first saved week on, Muralrun also runs when the day
    // changes, not only at log-on; each save registers it again, so that a
    // week saved before this existed, or a registration lost, is mended. A
    // registration that fails is not shown: the week is saved, the log-on
    // run still installs it, and the next save tries again.
    try {
        register_applier_at_day_change(m_platform.system, m_platform.desktop);
    } catch (const Failure&) {
    }
}

void Arriere_Plan::Bouton_Quitter_Click()
{
    // On the way out nothing is reported any more.
    try {
        Information();
    } catch (...) {
    }
    End();
}

// Closing the window always ends the editor, after the question when an
// accepted change is unsaved; only a save that fails keeps it open.
void Arriere_Plan::Form_Unload()
{
    if (!Bouton_Enregistrer.Enabled()) {
        Information();
        End();
        return;
    }
    if (ask_to_save() == MessageAnswer::Yes) {
        Bouton_Enregistrer_Click();
        if (Bouton_Enregistrer.Enabled())
            return;
        Bouton_Quitter_Click();
        return;
    }
    Information();
    End();
}

MessageAnswer Arriere_Plan::ask_to_save()
{
    const bool in_french = french();
    const std::string text = in_french ? "Voulez-vous conserver votre configuration?" : "Before QUITTING the Muralis?";
    const std::string title =
        in_french ? "ATTENTION, AVANT DE QUITTER ..." : "WARNING: Do you want to save your data ...";
    return m_platform.desktop.message_box(title, text, {MessageIcon::Stop, MessageButtons::YesNo, MessageAnswer::Yes});
}

// Without leave to ask, an unsaved change is neither saved unasked nor
// given up: the session is asked to wait, and what the system does then is
// its own choice.
SessionAnswer Arriere_Plan::Form_QueryEndSession(SessionInteraction interaction)
{
    if (!unsaved_change())
        return SessionAnswer::MayEnd;
    if (interaction == SessionInteraction::MayNotAsk)
        return SessionAnswer::DontEnd;
    if (ask_to_save() == MessageAnswer::Yes) {
        Bouton_Enregistrer_Click();
        if (unsaved_change())
            return SessionAnswer::DontEnd;
    }
    return SessionAnswer::MayEnd;
}

void Arriere_Plan::Form_EndSession()
{
    if (!m_ended)
        End();
}

std::string Arriere_Plan::unsaved_week_reason() const
{
    return french() ? "Les changements de la semaine ne sont pas encore enregistrés dans Muralis."
                    : "The changes to the week are not saved in Muralis yet.";
}

void Arriere_Plan::Information()
{
    Moi_A();
    const bool in_french = french();
    const std::string text =
        std::string(in_french ? "Conception par:" : "Created by:") + "\r" + designer_line + "\r\r" +
        (in_french ? "Un papier peint pour chaque jour de la semaine." : "A wallpaper for each day of the week.");
    const std::string title = in_french ? "Muralis (version 1.1)" : "Muralis (version 1.1) - Credits";
    m_platform.desktop.message_box(title, text, {MessageIcon::Question, MessageButtons::Ok, MessageAnswer::Ok});
}

void Arriere_Plan::Moi_A()
{
    designer_line.clear();
    for (const char* stored : stored_credits) {
        std::string piece;
        unscramble_in_front(piece, stored);
        designer_line += piece;
    }
}

// ---- The picture browser -------------------------------------------------------

void Arriere_Plan::Drive1_Change()
{
    try {
        Dir1.set_Path(Drive1.Drive());
    } catch (const Failure&) {
        // A drive that is not ready: the drive list goes back below.
    }
    Drive1.set_Drive(Dir1.Path());
    Image1.set_Picture(nullptr);
}

void Arriere_Plan::Dir1_Change()
{
    File1.set_Path(Dir1.Path());
    File1.set_Pattern(m_picture_pattern);
    Image1.set_Picture(nullptr);
    Frame1.set_Visible(true);
    Bouton_Accepter.set_Enabled(false);
    Jour.set_Visible(true);
}

// A file that is no readable picture leaves the preview empty and Accept
// disabled.
void Arriere_Plan::File1_Click()
{
    if (positioning_flag == 1)
        return;
    try {
        show_selected_file();
    } catch (const Failure&) {
        Image1.set_Picture(nullptr);
        Bouton_Accepter.set_Enabled(false);
    }
}

void Arriere_Plan::show_selected_file()
{
    if (Dir1.Path() == m_program_folder)
        return;
    Frame1.set_Visible(false);
    current_picture_path = File1.Path() + m_separator + File1.FileName();
    if (File1.ListIndex() != -1) {
        // The previous picture goes before the next is read, so that two
        // large pictures are never held at once.
        Image1.set_Picture(nullptr);
        Image1.set_Picture(load_picture(current_picture_path));
        Bouton_Accepter.set_Enabled(true);
    } else {
        Bouton_Accepter.set_Enabled(false);
    }
}

PicturePtr Arriere_Plan::load_picture(const std::string& path)
{
    // Every picture read here is for the preview, which stretches it over
    // its whole box.
    const TwipsRect& box = Image1.rect();
    PicturePtr loaded = m_platform.desktop.load_preview(path, {box.width, box.height});
    m_loaded_picture = loaded;
    m_loaded_path = path;
    return loaded;
}

PicturePtr Arriere_Plan::picture_at(const std::string& path)
{
    PicturePtr shown = m_loaded_picture.lock();
    if (shown && shown == Image1.Picture() && m_loaded_path == path)
        return shown;
    return load_picture(path);
}

void Arriere_Plan::file1_DblClick()
{
    Bouton_Accepter_Click();
}

void Arriere_Plan::file1_KeyPress(int character)
{
    if (character == 13)
        Bouton_Accepter_Click();
}

// The day label stays for a name whose last characters, in capitals, are
// one of the listed pictures' extensions ("BMP", "JPEG", ...); the whole
// name is compared when it is shorter.
void Arriere_Plan::file1_PathChange()
{
    const std::string name = File1.FileName();
    bool picture = false;
    for (const std::string& ending : m_picture_endings) {
        const std::string last = name.size() > ending.size() ? name.substr(name.size() - ending.size()) : name;
        picture = picture || m_platform.system.upper_case(last) == ending;
    }
    Jour.set_Visible(picture);
}

void Arriere_Plan::Nom_Fichier()
{
    picture_file_name.clear();
    const std::string& path = current_picture_path;
    const auto length = static_cast<int>(path.size());
    for (int name_scan_index = 0; name_scan_index < length; ++name_scan_index) {
        const char c = path[static_cast<std::size_t>(length - 1 - name_scan_index)];
        if (c == m_separator)
            return;
        picture_file_name.insert(picture_file_name.begin(), c);
    }
    // No separator at all: the whole path is the name.
}

void Arriere_Plan::Emplacement_Photo()
{
    if (first_run_flag == 1) {
        first_run_flag = 0;
        return;
    }
    if (edited_slot == 0) {
        // Today has no slot of its own (a week saved before its walk was
        // complete): slot 1's picture stands in, or nothing when slot 1 is
        // empty too.
        edited_slot = 1;
        if (weekday_slot_table[1].empty())
            return;
        current_picture_path = picture_path(weekday_slot_table[1]);
    }
    Nom_Fichier();
    const std::string& entry = weekday_slot_table[static_cast<std::size_t>(edited_slot)];
    const std::size_t name_length = picture_file_name.size();

    // The entry's drive and folder. A damaged entry, or a drive or folder
    // that has gone, is reported as a missing picture, with the lists put
    // back where they were.
    const std::string folder_before = Dir1.Path();
    try {
        if (entry.size() < name_length + 1)
            throw Failure(InvalidPropertyArrayIndex, "Invalid property array index");
        Drive1.set_Drive(entry);
        Dir1.set_Path(entry.substr(0, entry.size() - (name_length + 1)));
    } catch (const Failure&) {
        Image1.set_Picture(nullptr);
        Image1.set_Visible(false);
        put_lists_back(folder_before);
        show_missing_picture();
        return;
    }

    positioning_flag = 1;
    Image1.set_Picture(nullptr);
    Image1.set_Visible(false);
    try {
        // Every entry is selected in turn until the name is found; past the
        // last one the write fails with 381: the picture is missing.
        const int count = File1.ListCount();
        for (loop_index = 0; loop_index <= count; ++loop_index) {
            File1.set_ListIndex(loop_index);
            if (File1.FileName() == picture_file_name)
                loop_index = count;
        }
        positioning_flag = 0;
        show_selected_file();
        Frame1.set_Visible(false);
        Image1.set_Visible(true);
        Image1.set_Picture(picture_at(current_picture_path));
        Bouton_Image.set_Enabled(true);
    } catch (const Failure& failure) {
        positioning_flag = 0;
        if (failure.number() == InvalidPropertyArrayIndex)
            show_missing_picture();
    }
}

// With no file selected (the folder gone or empty) there is nothing left
// for Accept to take, whatever enabled it before.
void Arriere_Plan::show_missing_picture()
{
    if (File1.ListIndex() == -1)
        Bouton_Accepter.set_Enabled(false);
    m_platform.desktop.show_message(product, "Can not find the file: " + picture_file_name +
                                                 "\rYou will need to setup a new .BMP file.");
    missing_picture_flag = 1;
}

// The drive and folder lists back on folder, with no file selected; the
// selection is cleared as positioning, which the file list's click ignores.
void Arriere_Plan::put_lists_back(const std::string& folder)
{
    positioning_flag = 1;
    try {
        Drive1.set_Drive(folder);
        Dir1.set_Path(folder);
    } catch (const Failure&) {
        // That folder has gone too: the lists stay where they are.
    }
    File1.set_ListIndex(-1);
    positioning_flag = 0;
}

// ---- The walk through the week -------------------------------------------------

void Arriere_Plan::find_slot_of_edited_weekday()
{
    for (loop_index = 1; loop_index <= 7; ++loop_index) {
        const std::string& entry = weekday_slot_table[static_cast<std::size_t>(loop_index)];
        if (weekday_digit(entry) == edited_weekday) {
            current_picture_path = picture_path(entry);
            edited_slot = loop_index;
            loop_index = 7;
        }
    }
}

void Arriere_Plan::Image_Du_Jour()
{
    edited_weekday = today();
    find_slot_of_edited_weekday();
}

void Arriere_Plan::References()
{
    edited_slot = edited_slot + 1 > 7 ? 1 : edited_slot + 1;
    edited_weekday = edited_weekday + 1 > 7 ? 1 : edited_weekday + 1;
}

void Arriere_Plan::Bouton_Accepter_Click()
{
    // Enter or a double-click with no file selected stores nothing.
    if (File1.ListIndex() == -1)
        return;
    const std::string path = Dir1.Path() + m_separator + File1.FileName();
    if (!can_be_kept_in_schedule(path)) {
        m_platform.desktop.show_message(
            product, french() ? "Le nom de ce fichier ne peut pas être conservé dans la configuration: " + path +
                                    "\rRenommez le fichier ou choisissez-en un autre."
                              : "The name of this file cannot be kept in the schedule: " + path +
                                    "\rRename the file, or choose another one.");
        return;
    }

    if (edited_slot == 0)
        edited_slot = 1;
    Bouton_Accepter.set_Enabled(false);
    Image1.set_Picture(nullptr);
    current_picture_path = path;
    weekday_slot_table[static_cast<std::size_t>(edited_slot)] = current_picture_path + std::to_string(edited_weekday);

    if (edited_slot == 7) {
        // The walk ends: back to today.
        m_platform.system.beep();
        Frame1.set_Visible(false);
        Bouton_Enregistrer.set_Enabled(true);
        Bouton_Enregistrer.SetFocus();
        Bouton_Image.set_Enabled(true);
        Image_Du_Jour();
        Emplacement_Photo();
        Jour.set_Caption(day_caption(today()));
        Bouton_Accepter.set_Enabled(false);
    } else if (weekday_slot_table[static_cast<std::size_t>(edited_slot) + 1].empty()) {
        // A week filled for the first time: the next day waits for a file.
        positioning_flag = 0;
        File1.set_ListIndex(-1);
        References();
        Frame1.set_Visible(true);
        Jour.set_Caption(day_caption(edited_weekday));
    } else {
        // A week revised: the next day's picture is shown and selected, so
        // that the next Accept keeps it unless another file is chosen. A
        // picture that has gone leaves the preview empty, and the browser
        // reports it.
        References();
        current_picture_path = picture_path(weekday_slot_table[static_cast<std::size_t>(edited_slot)]);
        try {
            Image1.set_Picture(picture_at(current_picture_path));
        } catch (const Failure&) {
            Image1.set_Picture(nullptr);
        }
        Image1.set_Visible(true);
        Bouton_Accepter.set_Enabled(true);
        Emplacement_Photo();
        Jour.set_Caption(day_caption(edited_weekday));
    }
    Bouton_Enregistrer.set_Enabled(true);
    Bouton_Quitter.set_Enabled(false);
}

void Arriere_Plan::Bouton_Image_Click()
{
    References();
    find_slot_of_edited_weekday();
    Jour.set_Caption(day_caption(edited_weekday));
    Emplacement_Photo();
}

// ---- The visit box and the timers ----------------------------------------------

void Arriere_Plan::Promotion()
{
    unscramble_in_front(visit_text, stored_visit_address);
    Visite.set_Text(visit_text);
}

// The box holds whatever the user typed: only a web address is opened
// (editor/web_address.h). The address opens also while the Picture button,
// which takes the focus, cannot.
void Arriere_Plan::Visite_Click()
{
    if (Bouton_Image.Enabled() && Bouton_Image.Visible())
        Bouton_Image.SetFocus();
    FindURL(without_surrounding_spaces(Visite.Text()));
}

void Arriere_Plan::Visite_DblClick()
{
    Visite_Click();
}

void Arriere_Plan::FindURL(const std::string& text)
{
    if (const auto address = web_address_to_open(text))
        m_platform.desktop.open_web_address(*address);
}

// Neither timer ticks: the load stops Timer1 before its first tick, Timer2
// starts stopped, and each is started only by the other's tick.
void Arriere_Plan::Timer1_Timer()
{
    Timer1.set_Interval(0);
    Timer2.set_Interval(3000);
}

void Arriere_Plan::Timer2_Timer()
{
    Timer2.set_Interval(0);
    Timer1.set_Interval(3000);
}

} // namespace muralis::editor
