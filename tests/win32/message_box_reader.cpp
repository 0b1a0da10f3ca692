// Prints what a message box shows, for the end-to-end tests: the box is the
// top-level window titled argv[1] (waited for up to argv[2] seconds, 30 by
// default). Output, UTF-8, one "key=value" a line, a CR in the text shown
// as the two characters "\r":
//
//   title=<window title>
//   text=<the message>
//   buttons=<the visible buttons' captions, comma separated>
//   icon=<"none", or "shown" when the icon control holds an icon>
//
// Exits 1 when no such window appears.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "message_box_content.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: message_box_reader TITLE [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    HWND box = muralis::test::find_message_box(argv[1], seconds);
    if (!box)
        return 1;
    const muralis::test::MessageBoxContent content = muralis::test::read_message_box(box);

    std::string escaped;
    for (char c : content.text)
        escaped += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    std::string buttons;
    for (const auto& button : content.buttons)
        buttons += (buttons.empty() ? "" : ",") + button.caption;
    const std::string output = "title=" + content.title + "\ntext=" + escaped + "\nbuttons=" + buttons +
                               "\nicon=" + (content.icon ? "shown" : "none") + "\n";
    // Written as bytes: the C runtime's text mode would add a CR to each line.
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), output.data(), static_cast<DWORD>(output.size()),
                &written, nullptr);
    return 0;
}
