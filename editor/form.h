// The editor's window as a form: its controls with their places, captions,
// fonts, colours and first states, in the order the window creates them,
// and the window's own caption and position. The procedures that give the
// controls their behaviour are in arriere_plan.h.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "editor/controls.h"
#include "platform/platform.h"

namespace muralis::editor {

// The window's client area, in twips.
inline constexpr int client_width = 4455;
inline constexpr int client_height = 3120;

class ArrierePlanForm {
public:
    // Creates the controls with their first settings; the three lists start
    // on start_folder.
    ArrierePlanForm(Files& files, char separator, const std::string& start_folder);
    ArrierePlanForm(const ArrierePlanForm&) = delete;
    ArrierePlanForm& operator=(const ArrierePlanForm&) = delete;

    // The view that follows the form, or nullptr.
    void attach_view(ControlObserver* view) { m_sink.attach(view); }
    // Every control, in the order the window creates them.
    const std::vector<Control*>& controls() const { return m_controls; }

    // The window's own caption; a change is passed to the view's
    // window_caption_changed().
    const std::string& Caption() const { return m_caption; }
    void set_Caption(const std::string& caption);

    // The window's outer size (frame included) in twips, as its view made
    // it; the client area until a view says otherwise.
    int Width() const { return m_outer.width; }
    int Height() const { return m_outer.height; }
    void set_outer_size(TwipsSize size) { m_outer = size; }

    // The outer top-left corner on the screen, in twips; Move() passes it to
    // the view's window_moved().
    float Left() const { return m_left; }
    float Top() const { return m_top; }
    void Move(float left, float top);

protected:
    ChangeSink m_sink;

private:
    std::string m_caption = "Orlimo's Muralis";
    TwipsSize m_outer{client_width, client_height};
    float m_left = 0;
    float m_top = 0;

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
