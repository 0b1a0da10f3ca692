// Arriere_Plan, the editor's one window: the form's controls given their
// behaviour by the window's procedures, and the window-level state those
// procedures share. Everything the editor does is written here against the
// control model; a view only draws the model and turns what the user does
// into the writes and clicks of the model.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/form.h"
#include "platform/platform.h"
#include "schedule/schedule_file.h"

namespace muralis::editor {

// Whether the end of the session lets the window ask the user anything.
enum class SessionInteraction { MayAsk, MayNotAsk };
// The window's answer to the end of the session.
enum class SessionAnswer { MayEnd, DontEnd };

class Arriere_Plan final : public ArrierePlanForm {
public:
    // Creates the window and its controls with their first settings, the
    // three lists on the program's own folder, and ties each control's
    // events to its procedure. Runs no procedure.
    explicit Arriere_Plan(const Platform& platform);

    // Whether a procedure has ended the program: the view has been told to
    // close the window, and nothing more is asked of the model.
    bool ended() const { return m_ended; }

    // Load, save and the ways out.
    void Form_Load();
    void Form_Unload();
    // The end of the session (a log-off, a shutdown) closes the window too,
    // in two steps. First it asks, while the session can still wait: with
    // an unsaved change, the closing procedure's question, and the save a
    // Yes asks for; no credits box, which would only hold the session up.
    // A save that fails says why and answers DontEnd, keeping the week in
    // the editor. The editor then stays as the answer left it until
    // Form_EndSession; a session whose end is called off calls nothing.
    SessionAnswer Form_QueryEndSession(SessionInteraction interaction);
    // The session ends now: the program ends, showing nothing more.
    void Form_EndSession();
    // Why the editor holds the session's end while a change is unsaved, in
    // the window's language, for the system's log-off screen.
    std::string unsaved_week_reason() const;
    // Whether an accepted change is not saved yet: Save is enabled.
    bool unsaved_change() const { return Bouton_Enregistrer.Enabled(); }
    void Bouton_Enregistrer_Click();
    void Bouton_Quitter_Click();
    void Information();
    void Moi_A();
    void Traduction();
    void Dossier_Windows();
    void Recuperer();
    // Writes the table to the schedule file. Throws Failure; the previous
    // file is then intact.
    void Enregistrer();

    // The picture browser.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void file1_DblClick();
    void file1_KeyPress(int character);
    void file1_PathChange();
    void Nom_Fichier();
    void Emplacement_Photo();

    // The walk through the week.
    void Image_Du_Jour();
    void References();
    void Bouton_Accepter_Click();
    void Bouton_Image_Click();

    // The visit box and the timers.
    void Promotion();
    void Visite_Click();
    void Visite_DblClick();
    void Timer1_Timer();
    void Timer2_Timer();

    // Window-level state. Numbers read 0 while empty.
    WeekdaySlotTable weekday_slot_table{};
    std::string windows_folder;
    int first_run_flag = 0;
    int loop_index = 0; // the one counter of the window's loops
    std::string current_picture_path;
    std::string picture_file_name; // as Nom_Fichier last cut it
    int positioning_flag = 0;      // 1 while Emplacement_Photo searches the file list
    int missing_picture_flag = 0;  // 1 once a stored picture was found missing
    int edited_slot = 0;           // 1..7
    int edited_weekday = 0;        // 1 = Sunday .. 7 = Saturday
    std::string designer_line;     // the credits' second line, as Moi_A builds it
    std::string visit_text;        // the address Promotion unscrambles

private:
    Arriere_Plan(const Platform& platform, std::string program_folder);

    bool french() const;
    // The closing procedure's question: save the unsaved change first?
    MessageAnswer ask_to_save();
    std::string schedule_save_path();
    // The day label's text for a weekday: its name in capitals.
    std::string day_caption(int weekday) const;
    int today() const;
    // Sets current picture path and edited slot from the lowest slot that
    // holds the edited weekday; leaves both as they are when none does.
    void find_slot_of_edited_weekday();
    // File1_Click past its guard: failures reach the caller.
    void show_selected_file();
    // The picture at path, read now; picture_at reuses the one the preview
    // already shows when it was read from path.
    PicturePtr load_picture(const std::string& path);
    PicturePtr picture_at(const std::string& path);
    void show_missing_picture();
    void put_lists_back(const std::string& folder);
    void FindURL(const std::string& text);
    void End();

    const Platform m_platform;
    const std::string m_start_folder; // as the system names it
    const std::string m_program_folder; // as the folder list reads it
    const char m_separator;
    // What the file list shows: the pictures the platform reads.
    const std::string m_picture_pattern;
    std::vector<std::string> m_picture_endings;
    std::weak_ptr<const muralis::Picture> m_loaded_picture;
    std::string m_loaded_path;
    bool m_ended = false;
};

} // namespace muralis::editor
