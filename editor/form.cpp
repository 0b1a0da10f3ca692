#include "editor/form.h"

namespace muralis::editor {

namespace {

constexpr Colour yellow = Colour::rgb(255, 255, 0);
constexpr Colour blue = Colour::rgb(0, 0, 255);
constexpr Colour cyan = Colour::rgb(0, 255, 255);

const Font visit_font{"Arial", 9.75, true};
const Font visit_label_font{"Arial", 8.25, true};

} // namespace

ArrierePlanForm::ArrierePlanForm(Files& files, char separator, const std::string& start_folder)
    : Visite(m_sink, {.name = "Visite",
                      .rect = {735, 2670, 3720, 360},
                      .tab_index = 0,
                      .font = visit_font,
                      .back_colour = yellow,
                      .fore_colour = blue,
                      .mouse_pointer = MousePointer::Globe,
                      .accessible_name = "Visit"}),
      Bouton_Image(m_sink, {.name = "Bouton_Image",
                            .rect = {2115, 45, 765, 300},
                            .tab_index = 13,
                            .caption = "Picture",
                            .enabled = false}),
      Frame1(m_sink, {.name = "Frame1",
                      .rect = {3120, 150, 1215, 855},
                      .tab_index = 7,
                      .caption = "Frame1",
                      .back_colour = Colour::system(SystemColour::WindowBackground),
                      .fore_colour = Colour::system(SystemColour::WindowText)}),
      Timer2(m_sink, {.name = "Timer2", .container = &Frame1}, 0),
      Timer1(m_sink, {.name = "Timer1", .container = &Frame1}, 3000),
      Label1{Label(m_sink, {.name = "Label1",
                            .index = 0,
                            .container = &Frame1,
                            .rect = {0, 0, 1215, 255},
                            .tab_index = 10,
                            .caption = "Choose the",
                            .alignment = Alignment::Centre}),
             Label(m_sink, {.name = "Label1",
                            .index = 1,
                            .container = &Frame1,
                            .rect = {0, 220, 1215, 255},
                            .tab_index = 9,
                            .caption = ".BMP file",
                            .alignment = Alignment::Centre}),
             Label(m_sink, {.name = "Label1",
                            .index = 2,
                            .container = &Frame1,
                            .rect = {0, 450, 1215, 255},
                            .tab_index = 8,
                            .caption = "to add here",
                            .alignment = Alignment::Centre}),
             Label(m_sink, {.name = "Label1",
                            .index = 3,
                            .container = &Frame1,
                            .rect = {0, 640, 1215, 255},
                            .tab_index = 11,
                            .caption = "for",
                            .alignment = Alignment::Centre})},
      File1(m_sink,
            {.name = "File1",
             .rect = {0, 1530, 2895, 1065},
             .tab_index = 6,
             .back_colour = cyan,
             .accessible_name = "Pictures"},
            files, start_folder),
      Dir1(m_sink,
           {.name = "Dir1",
            .rect = {0, 450, 2895, 990},
            .tab_index = 5,
            .back_colour = cyan,
            .accessible_name = "Folders"},
           files, separator, start_folder),
      Drive1(m_sink,
             {.name = "Drive1",
              .rect = {0, 45, 2055, 315},
              .tab_index = 4,
              .back_colour = cyan,
              .accessible_name = "Drive"},
             files, start_folder),
      Bouton_Quitter(m_sink, {.name = "Bouton_Quitter",
                              .rect = {3000, 2250, 1455, 375},
                              .tab_index = 3,
                              .caption = "&Quit"}),
      Bouton_Enregistrer(m_sink, {.name = "Bouton_Enregistrer",
                                  .rect = {3000, 1890, 1455, 375},
                                  .tab_index = 2,
                                  .caption = "&Save",
                                  .enabled = false}),
      Bouton_Accepter(m_sink, {.name = "Bouton_Accepter",
                               .rect = {3000, 1530, 1455, 375},
                               .tab_index = 1,
                               .caption = "&Accept"}),
      Aff_Visitez(m_sink, {.name = "Aff_Visitez",
                           .rect = {45, 2745, 660, 255},
                           .tab_index = 14,
                           .caption = "Visit:",
                           .font = visit_label_font,
                           .alignment = Alignment::Right}),
      Jour(m_sink, {.name = "Jour",
                    .rect = {3000, 1215, 1455, 255},
                    .tab_index = 12,
                    .font = visit_font,
                    .fore_colour = blue,
                    .alignment = Alignment::Centre}),
      Image1(m_sink, {.name = "Image1", .rect = {3000, 30, 1455, 1095}, .accessible_name = "Preview"}),
      m_controls{&Visite,   &Bouton_Image, &Frame1, &Timer2,         &Timer1,
                 &Label1[3], &Label1[0],   &Label1[1], &Label1[2],  &File1,
                 &Dir1,     &Drive1,       &Bouton_Quitter, &Bouton_Enregistrer, &Bouton_Accepter,
                 &Aff_Visitez, &Jour,      &Image1}
{
}

void ArrierePlanForm::set_Caption(const std::string& caption)
{
    m_caption = caption;
    m_sink.notify_caption(caption);
}

void ArrierePlanForm::Move(float left, float top)
{
    m_left = left;
    m_top = top;
    m_sink.notify_moved();
}

} // namespace muralis::editor
