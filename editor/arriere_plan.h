// Arriere_Plan, the editor's one window: its controls, its window-level
// state and its procedures. Everything the editor does is written here
// against the control model; a view only draws the model and turns what the
// user does into the writes and clicks of the model.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "editor/controls.h"
#include "platform/platform.h"
#include "schedule/schedule_file.h"

namespace muralis::editor {

// The window's client area, in twips.
inline constexpr int client_width = 4455;
inline constexpr int client_height = 3120;

class Arriere_Plan {
public:
    // Creates the window and its controls with their initial settings; the
    // three lists start on the program's own folder. Runs no procedure.
    explicit Arriere_Plan(const Platform& platform);
    Arriere_Plan(const Arriere_Plan&) = delete;
    Arriere_Plan& operator=(const Arriere_Plan&) = delete;

    // The view that follows the model, or nullptr.
    void attach_view(ControlObserver* view) { m_sink.attach(view); }
    // Every control, in the order the window creates them.
    const std::vector<Control*>& controls() const { return m_controls; }

    // The window's own caption; a change is passed to the view's
    // window_caption_changed().
    const std::string& Caption() const { return m_caption; }
    void set_Caption(const std::string& caption);

    // The procedures.
    void Form_Load();
    void Traduction();
    void Dossier_Windows();
    void Recuperer();

    // Window-level state.
    WeekdaySlotTable weekday_slot_table{};
    std::string windows_folder;
    int first_run_flag = 0; // 0 while empty, 1 after the first-run branch
    int loop_index = 0;

private:
    const Platform m_platform;
    ChangeSink m_sink;
    std::string m_caption = "Orlimo's Muralis";
    std::string m_start_folder;

public:
    // The controls, in creation order.
    TextBox Visite;
    CommandButton Bouton_Image;
    Frame Frame1;
    Timer Timer2;
    Timer Timer1;
    // Label1(3) is created first; the array is indexed 0..3.
    std::array<Label, 4> Label1;
    FileListBox File1;
    DirListBox Dir1;
    DriveListBox Drive1;
    CommandButton Bouton_Quitter;
    CommandButton Bouton_Enregistrer;
    CommandButton Bouton_Accepter;
    Label Aff_Visitez;
    Label Jour;
    Image Image1;

private:
    std::vector<Control*> m_controls;
};

} // namespace muralis::editor
