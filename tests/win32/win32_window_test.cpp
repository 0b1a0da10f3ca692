// The editor's Win32 window against Wine's real controls, on an X display:
// that it mirrors the model, follows its changes, and passes what the user
// does back to it. The model runs on the scripted platform, so every test
// knows what the lists hold.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/arriere_plan.h"
#include "fake/fake_platform.h"
#include "platform/win32/view/accessible_names.h"
#include "platform/win32/view/arriere_plan_window.h"
#include "platform/win32/view/gdi_owners.h"
#include "platform/win32/view/view_layout.h"
#include "platform/win32/win32_picture.h"

namespace muralis::win32 {
namespace {

using editor::Control;

std::string text_of(HWND window)
{
    char text[512];
    const int length = ::GetWindowTextA(window, text, sizeof text);
    return std::string(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

editor::PixelRect rect_in_parent(HWND window)
{
    RECT rect;
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

std::string describe(const editor::PixelRect& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + std::to_string(rect.width) + "x" +
           std::to_string(rect.height);
}

// A list's entries, ";" between them, and the selected index.
std::string items_of(HWND list)
{
    char name[32];
    ::GetClassNameA(list, name, sizeof name);
    const bool combo = _stricmp(name, "ComboBox") == 0;
    const LRESULT count = ::SendMessageA(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    std::string items;
    for (LRESULT i = 0; i < count; ++i) {
        char text[512] = {};
        ::SendMessageA(list, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        if (i > 0)
            items += ';';
        items += text;
    }
    return items;
}

int selected_in(HWND list)
{
    char name[32];
    ::GetClassNameA(list, name, sizeof name);
    const bool combo = _stricmp(name, "ComboBox") == 0;
    return static_cast<int>(::SendMessageA(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
}

LPARAM point(int x, int y)
{
    return MAKELPARAM(x, y);
}

// A click on a list's entry, as the mouse makes it.
void click_entry(HWND list, int index, bool twice = false)
{
    RECT item;
    ASSERT_NE(::SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)),
              LB_ERR);
    const LPARAM at = point(item.left + 5, (item.top + item.bottom) / 2);
    ::SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(list, WM_LBUTTONUP, 0, at);
    if (twice) {
        ::SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        ::SendMessageA(list, WM_LBUTTONUP, 0, at);
    }
}

class Win32Window : public ::testing::Test {
protected:
    Win32Window()
    {
        fake.m_program_folder = "C:\\PROGRAMS\\MURALIS";
        fake.folders.insert("C:\\PROGRAMS\\MURALIS\\Pictures");
        fake.folders.insert("C:\\PROGRAMS\\Other");
        for (const char* name : {"b.bmp", "A.BMP", "notes.txt", "c.bmp"})
            fake.files[std::string("C:\\PROGRAMS\\MURALIS\\") + name] = "BM";
        fake.files["C:\\WINDOWS\\w.bmp"] = "BM";
        model = std::make_unique<editor::Arriere_Plan>(fake.platform());
        window = std::make_unique<ArrierePlanWindow>(*model, ::GetModuleHandleA(nullptr));
    }
    ~Win32Window() override
    {
        window.reset();
        model.reset();
    }

    HWND handle_of(const Control& control) const { return window->control_handle(control); }

    void show()
    {
        window->show(SW_SHOWNORMAL);
        pump(50);
    }

    // Runs the window's messages for a while, as its loop would.
    void pump(DWORD milliseconds)
    {
        const ULONGLONG end = ::GetTickCount64() + milliseconds;
        do {
            MSG message;
            while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (!window->pre_translate(message)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageA(&message);
                }
            }
            ::Sleep(5);
        } while (::GetTickCount64() < end);
    }

    testing::FakePlatform fake;
    std::unique_ptr<editor::Arriere_Plan> model;
    std::unique_ptr<ArrierePlanWindow> window;
};

// ---- What the window shows ----------------------------------------------------

TEST_F(Win32Window, EveryControlSitsWhereTheModelPutsItAtTheScreensDpi)
{
    const Dpi dpi = window->dpi();
    RECT client;
    ::GetClientRect(window->handle(), &client);
    EXPECT_EQ(client.right, editor::twips_to_pixels(editor::client_width, dpi.x));
    EXPECT_EQ(client.bottom, editor::twips_to_pixels(editor::client_height, dpi.y));

    for (const Control* control : model->controls()) {
        SCOPED_TRACE(control->name() + " " + std::to_string(control->index()));
        HWND handle = handle_of(*control);
        if (control->kind() == editor::ControlKind::Timer) {
            EXPECT_EQ(handle, nullptr);
            continue;
        }
        ASSERT_NE(handle, nullptr);
        HWND expected_parent = control->container() ? handle_of(*control->container()) : window->handle();
        EXPECT_EQ(::GetParent(handle), expected_parent);
        // The lists keep the model's height, not a whole number of lines,
        // and the drive list's closed field is as tall as the model says.
        EXPECT_EQ(describe(rect_in_parent(handle)), describe(pixel_rect(control->rect(), dpi)));
    }

    if (dpi.x == 96 && dpi.y == 96) {
        EXPECT_EQ(client.right, 297);
        EXPECT_EQ(client.bottom, 208);
        EXPECT_EQ(describe(rect_in_parent(handle_of(model->File1))), "0,102 193x71");
        EXPECT_EQ(describe(rect_in_parent(handle_of(model->Label1[3]))), "0,43 81x17");
    }

    // A fixed frame with the program's icon.
    const LONG_PTR style = ::GetWindowLongPtrA(window->handle(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_NE(::GetClassLongPtrA(window->handle(), GCLP_HICON), 0);
}

// What a screen reader reads as a window's name: the name of the system's
// accessible object for its client area.
std::string read_aloud(HWND window)
{
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object))))
        return "(none)";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    std::string read;
    BSTR name = nullptr;
    if (object->get_accName(self, &name) == S_OK && name) {
        const int length = ::WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
        read.resize(static_cast<std::size_t>(length > 0 ? length - 1 : 0));
        ::WideCharToMultiByte(CP_UTF8, 0, name, -1, read.data(), length, nullptr, nullptr);
        ::SysFreeString(name);
    }
    object->Release();
    return read;
}

// Each kind of the model's controls is shown by the native class made for
// it: one row per kind.
TEST_F(Win32Window, EachKindOfControlIsShownByItsOwnNativeClass)
{
    struct Expected {
        const Control* control;
        const char* window_class; // nullptr: no window
        bool draws_its_lines;
    };
    const Expected expected[] = {
        {&model->Visite, "Edit", false},        {&model->Bouton_Accepter, "Button", false},
        {&model->Frame1, "MuralisPanel", false}, {&model->Label1[0], "Static", false},
        {&model->File1, "ListBox", false},      {&model->Dir1, "ListBox", true},
        {&model->Drive1, "ComboBox", false},    {&model->Image1, "MuralisPicture", false},
        {&model->Timer1, nullptr, false},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.control->name());
        HWND handle = handle_of(*e.control);
        if (!e.window_class) {
            EXPECT_EQ(handle, nullptr);
            continue;
        }
        char name[64] = {};
        ASSERT_GT(::GetClassNameA(handle, name, sizeof name), 0);
        EXPECT_STRCASEEQ(name, e.window_class);
        if (_stricmp(name, "ListBox") == 0) {
            EXPECT_EQ((::GetWindowLongPtrA(handle, GWL_STYLE) & LBS_OWNERDRAWFIXED) != 0, e.draws_its_lines);
        }
    }
}

// A screen reader reads each control by the model's name for it, in the
// window's language, through the system's own accessibility of the control
// (where the system takes names: Wine does not); the buttons by their
// captions, without the access key's mark.
TEST_F(Win32Window, AScreenReaderReadsEachControlByItsName)
{
    HWND probe = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const bool system_takes_names = AccessibleNames().name(probe, "probe");
    ::DestroyWindow(probe);
    for (const bool french : {false, true}) {
        SCOPED_TRACE(french ? "French" : "English");
        fake.language = french ? "French" : "English";
        window.reset();
        model = std::make_unique<editor::Arriere_Plan>(fake.platform());
        window = std::make_unique<ArrierePlanWindow>(*model, ::GetModuleHandleA(nullptr));
        model->Form_Load();
        show(); // the names are given once the window's loop runs
        for (const Control* control : model->controls()) {
            const std::string& name = control->AccessibleName();
            if (name.empty() || !system_takes_names)
                continue;
            EXPECT_EQ(read_aloud(handle_of(*control)), name) << control->name();
        }
        EXPECT_EQ(read_aloud(handle_of(model->Bouton_Enregistrer)), french ? "Enregistrer" : "Save");
        EXPECT_EQ(read_aloud(handle_of(model->Aff_Visitez)), french ? "Visitez" : "Visit:");
    }
}

TEST_F(Win32Window, ShowsTheModelsTextsStatesAndListsAsCreatedAndAfterTheLoad)
{
    EXPECT_EQ(text_of(window->handle()), "Orlimo's Muralis");
    struct Expected {
        const Control* control;
        const char* text;
        bool enabled;
    };
    const Expected expected[] = {
        {&model->Bouton_Image, "Picture", false},   {&model->Bouton_Accepter, "&Accept", true},
        {&model->Bouton_Enregistrer, "&Save", false}, {&model->Bouton_Quitter, "&Quit", true},
        {&model->Label1[0], "Choose the", true},    {&model->Label1[1], ".BMP file", true},
        {&model->Label1[2], "to add here", true},   {&model->Label1[3], "for", true},
        {&model->Aff_Visitez, "Visit:", true},      {&model->Jour, "", true},
        {&model->Visite, "", true},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.text);
        EXPECT_EQ(text_of(handle_of(*e.control)), e.text);
        EXPECT_EQ(::IsWindowEnabled(handle_of(*e.control)) != FALSE, e.enabled);
    }

    EXPECT_EQ(items_of(handle_of(model->Drive1)), "A:;C:;D:");
    EXPECT_EQ(selected_in(handle_of(model->Drive1)), 1);
    // The open folders from the root down, the current one selected, then
    // its sub-folders.
    EXPECT_EQ(items_of(handle_of(model->Dir1)), "C:\\;PROGRAMS;MURALIS;Pictures");
    EXPECT_EQ(selected_in(handle_of(model->Dir1)), 2);
    EXPECT_EQ(items_of(handle_of(model->File1)), "A.BMP;b.bmp;c.bmp;notes.txt");
    EXPECT_EQ(selected_in(handle_of(model->File1)), -1);

    // The load narrows the file list to the pictures; in French it also
    // translates every caption.
    fake.language = "French";
    model->Form_Load();
    EXPECT_EQ(items_of(handle_of(model->File1)), "A.BMP;b.bmp;c.bmp");
    EXPECT_EQ(text_of(window->handle()), "Muralis");
    EXPECT_EQ(text_of(handle_of(model->Bouton_Accepter)), "Accepter");
    EXPECT_EQ(text_of(handle_of(model->Label1[0])), "");
    EXPECT_EQ(text_of(handle_of(model->Label1[2])), "l'image .BMP");
}

TEST_F(Win32Window, UsesTheModelsFontsAtTheScreensDpiAndTheDialogFontElsewhere)
{
    struct Expected {
        const Control* control;
        const char* face;
        double points;
        bool bold;
    };
    const Expected expected[] = {
        {&model->Visite, "Arial", 9.75, true},
        {&model->Jour, "Arial", 9.75, true},
        {&model->Aff_Visitez, "Arial", 8.25, true},
        {&model->Bouton_Accepter, "MS Shell Dlg", 8, false},
        {&model->File1, "MS Shell Dlg", 8, false},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.control->name());
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(handle_of(*e.control), WM_GETFONT, 0, 0));
        LOGFONTA description{};
        ASSERT_TRUE(font && ::GetObjectA(font, sizeof description, &description));
        EXPECT_STREQ(description.lfFaceName, e.face);
        EXPECT_EQ(description.lfHeight, font_height(e.points, window->dpi().y));
        EXPECT_EQ(description.lfWeight, e.bold ? FW_BOLD : FW_NORMAL);
    }
}

TEST(Win32WindowLayout, FontHeightsRoundToTheNearestPixel)
{
    struct Case {
        double points;
        int dpi;
        int height;
    };
    const Case cases[] = {
        {9.75, 96, -13}, {8.25, 96, -11}, {8, 96, -11},
        {9.75, 120, -16}, {8.25, 120, -14}, // 16.25 and 13.75
        {9.75, 144, -20}, {8.25, 144, -17}, // halves: 19.5 and 16.5
    };
    for (const Case& c : cases)
        EXPECT_EQ(font_height(c.points, c.dpi), c.height) << c.points << " pt at " << c.dpi;
}

TEST_F(Win32Window, PaintsEachControlInItsModelColours)
{
    show();
    const auto pixel = [](HWND window, int x, int y) {
        WindowDc dc(window);
        return ::GetPixel(dc.get(), x, y);
    };
    // Inside the borders, away from any text.
    RECT list;
    ::GetClientRect(handle_of(model->File1), &list);
    EXPECT_EQ(pixel(handle_of(model->File1), list.right - 3, list.bottom - 3), RGB(0, 255, 255));
    RECT box;
    ::GetClientRect(handle_of(model->Visite), &box);
    EXPECT_EQ(pixel(handle_of(model->Visite), box.right - 3, box.bottom - 3), RGB(255, 255, 0));
    // The panel in the system's window colour, over the picture; the
    // labels on it show it through.
    EXPECT_EQ(pixel(handle_of(model->Frame1), 1, 1), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(pixel(handle_of(model->Label1[0]), 1, 1), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(pixel(window->handle(), 196, 50), ::GetSysColor(COLOR_BTNFACE));

    // The text colours the model asks for.
    WindowDc dc(handle_of(model->Visite));
    ::SendMessageA(window->handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                   reinterpret_cast<LPARAM>(handle_of(model->Visite)));
    EXPECT_EQ(::GetTextColor(dc.get()), RGB(0, 0, 255));
    ::SendMessageA(window->handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                   reinterpret_cast<LPARAM>(handle_of(model->Jour)));
    EXPECT_EQ(::GetTextColor(dc.get()), RGB(0, 0, 255));
    EXPECT_EQ(::GetBkMode(dc.get()), TRANSPARENT);
}

TEST_F(Win32Window, IndentsEachFolderByItsDepthBehindAGlyph)
{
    show();
    HWND list = handle_of(model->Dir1);
    WindowDc dc(list);
    // The glyph's outline is the first thing drawn on each line; it moves
    // right by the same step for each level below the root.
    const COLORREF outline = RGB(96, 72, 0);
    std::vector<int> glyph_left;
    for (int line = 0; line < 4; ++line) {
        RECT item;
        ASSERT_NE(::SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&item)),
                  LB_ERR);
        const int y = (item.top + item.bottom) / 2;
        int x = item.left;
        while (x < item.right && ::GetPixel(dc.get(), x, y) != outline)
            ++x;
        ASSERT_LT(x, item.right) << "no glyph on line " << line;
        glyph_left.push_back(x);
    }
    const int step = glyph_left[1] - glyph_left[0];
    EXPECT_GT(step, 0);
    EXPECT_EQ(glyph_left[2] - glyph_left[1], step);
    EXPECT_EQ(glyph_left[3] - glyph_left[2], step);
}

TEST_F(Win32Window, StretchesThePictureOverTheWholeControl)
{
    show();
    HWND image = handle_of(model->Image1);
    RECT client;
    ::GetClientRect(image, &client);
    // Inside a one-pixel border.
    EXPECT_EQ(rect_in_parent(image).width, client.right + 2);
    EXPECT_EQ(rect_in_parent(image).height, client.bottom + 2);

    // A 2x2 picture: left column red, right column blue.
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    const DWORD colours[] = {0x00FF0000u, 0x000000FFu, 0x00FF0000u, 0x000000FFu}; // BGRA: red, blue
    std::memcpy(bits, colours, sizeof colours);
    model->Image1.set_Picture(std::make_shared<Win32Picture>(bitmap));

    // Painted into a DC of the test's, as PrintWindow asks. The stretch
    // smooths, so the corners are nearly, not exactly, the picture's own
    // colours.
    const auto red = [](COLORREF c) { return GetRValue(c) > 200 && GetBValue(c) < 55 && GetGValue(c) < 55; };
    const auto blue = [](COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 55 && GetGValue(c) < 55; };
    WindowDc screen(nullptr);
    MemoryDc memory(::CreateCompatibleDC(screen.get()));
    BitmapHandle canvas(::CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
    {
        SelectedObject selected(memory.get(), canvas.get());
        ::SendMessageA(image, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
        EXPECT_PRED1(red, ::GetPixel(memory.get(), 0, 0));
        EXPECT_PRED1(red, ::GetPixel(memory.get(), 0, client.bottom - 1));
        EXPECT_PRED1(blue, ::GetPixel(memory.get(), client.right - 1, client.bottom - 1));
        EXPECT_PRED1(blue, ::GetPixel(memory.get(), client.right - 1, 0));
    }
    // And on the screen, once the change has been painted.
    ::UpdateWindow(image);
    WindowDc on_screen(image);
    EXPECT_PRED1(blue, ::GetPixel(on_screen.get(), client.right - 1, client.bottom - 1));

    // No picture: the window's own background.
    model->Image1.set_Picture(nullptr);
    ::UpdateWindow(image);
    EXPECT_EQ(::GetPixel(on_screen.get(), client.right - 1, client.bottom - 1), ::GetSysColor(COLOR_BTNFACE));
}

// The preview of a large picture of each depth, pixel for pixel: the whole
// picture reduced with HALFTONE into a bitmap of the screen's format, as
// the system draws it, whatever bitmap the view reduces it into.
TEST_F(Win32Window, ThePreviewIsTheWholePictureReducedAsTheScreenWouldShowIt)
{
    show();
    HWND image = handle_of(model->Image1);
    RECT client;
    ::GetClientRect(image, &client);
    WindowDc screen(nullptr);
    for (const WORD depth : {WORD{24}, WORD{32}, WORD{8}}) {
        SCOPED_TRACE(depth);
        // 640 x 480 of stripes and steps that no reduction keeps as they are.
        const int width = 640;
        const int height = 480;
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colours[256];
        } info{};
        info.header = {sizeof(BITMAPINFOHEADER), width, height, 1, depth, BI_RGB, 0, 0, 0, 0, 0};
        for (int i = 0; i < 256; ++i)
            info.colours[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
        void* bits = nullptr;
        HBITMAP bitmap = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                            nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        const int stride = (width * depth + 31) / 32 * 4;
        for (int y = 0; y < height; ++y) {
            auto* row = static_cast<BYTE*>(bits) + y * stride;
            for (int x = 0; x < width; ++x) {
                const BYTE value = static_cast<BYTE>((x % 7 < 3 ? x : 255 - x) ^ (y * 3));
                for (int channel = 0; channel < depth / 8; ++channel)
                    row[x * (depth / 8) + channel] = static_cast<BYTE>(value + channel * 85);
            }
        }
        const auto picture = std::make_shared<Win32Picture>(bitmap);
        model->Image1.set_Picture(picture);

        MemoryDc shown(::CreateCompatibleDC(screen.get()));
        MemoryDc expected(::CreateCompatibleDC(screen.get()));
        MemoryDc source(::CreateCompatibleDC(screen.get()));
        BitmapHandle shown_bitmap(::CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
        BitmapHandle expected_bitmap(::CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
        SelectedObject shown_selected(shown.get(), shown_bitmap.get());
        ::SendMessageA(image, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shown.get()), PRF_CLIENT);
        // A bitmap is selected into one DC at a time: the view's first.
        SelectedObject expected_selected(expected.get(), expected_bitmap.get());
        SelectedObject source_selected(source.get(), picture->bitmap());
        ::SetStretchBltMode(expected.get(), HALFTONE);
        ::SetBrushOrgEx(expected.get(), 0, 0, nullptr);
        ::StretchBlt(expected.get(), 0, 0, client.right, client.bottom, source.get(), 0, 0, width, height, SRCCOPY);
        int differing = 0;
        for (int y = 0; y < client.bottom; ++y) {
            for (int x = 0; x < client.right; ++x)
                differing += ::GetPixel(shown.get(), x, y) != ::GetPixel(expected.get(), x, y);
        }
        EXPECT_EQ(differing, 0) << "of " << client.right * client.bottom << " pixels";
    }
    model->Image1.set_Picture(nullptr);
}

TEST_F(Win32Window, StacksThePanelOverThePictureAndTabsInTabIndexOrder)
{
    // The panel is above the picture among the window's children.
    bool panel_seen = false;
    bool image_below_panel = false;
    for (HWND child = ::GetWindow(window->handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (child == handle_of(model->Frame1))
            panel_seen = true;
        if (child == handle_of(model->Image1))
            image_below_panel = panel_seen;
    }
    EXPECT_TRUE(image_below_panel);

    const auto tab_order = [&] {
        std::vector<HWND> order;
        HWND first = ::GetNextDlgTabItem(window->handle(), nullptr, FALSE);
        for (HWND item = first; item && order.size() < 20;) {
            order.push_back(item);
            item = ::GetNextDlgTabItem(window->handle(), item, FALSE);
            if (item == first)
                break;
        }
        return order;
    };
    // The disabled buttons are passed over.
    EXPECT_EQ(tab_order(), (std::vector<HWND>{handle_of(model->Visite), handle_of(model->Bouton_Accepter),
                                              handle_of(model->Bouton_Quitter), handle_of(model->Drive1),
                                              handle_of(model->Dir1), handle_of(model->File1)}));
    model->Bouton_Enregistrer.set_Enabled(true);
    model->Bouton_Image.set_Enabled(true);
    EXPECT_EQ(tab_order(), (std::vector<HWND>{handle_of(model->Visite), handle_of(model->Bouton_Accepter),
                                              handle_of(model->Bouton_Enregistrer), handle_of(model->Bouton_Quitter),
                                              handle_of(model->Drive1), handle_of(model->Dir1),
                                              handle_of(model->File1), handle_of(model->Bouton_Image)}));
}

// ---- Model to window ----------------------------------------------------------------

TEST_F(Win32Window, FollowsEveryChangeOfTheModel)
{
    show();
    model->Bouton_Image.set_Caption("Images");
    EXPECT_EQ(text_of(handle_of(model->Bouton_Image)), "Images");
    model->Bouton_Enregistrer.set_Enabled(true);
    EXPECT_TRUE(::IsWindowEnabled(handle_of(model->Bouton_Enregistrer)));
    model->Jour.set_Caption("Monday");
    EXPECT_EQ(text_of(handle_of(model->Jour)), "Monday");
    model->Visite.set_Text("www.example.org");
    EXPECT_EQ(text_of(handle_of(model->Visite)), "www.example.org");
    model->Frame1.set_Visible(false);
    EXPECT_FALSE(::IsWindowVisible(handle_of(model->Frame1)));
    EXPECT_FALSE(::IsWindowVisible(handle_of(model->Label1[1])));
    model->Frame1.set_Visible(true);
    EXPECT_TRUE(::IsWindowVisible(handle_of(model->Label1[1])));
    model->set_Caption("Muralis \xc3\xa9t\xc3\xa9"); // UTF-8 in the model, code page 1252 on the window
    char title[64];
    ::GetWindowTextA(window->handle(), title, sizeof title);
    if (::GetACP() == 1252) {
        EXPECT_STREQ(title, "Muralis \xe9t\xe9");
    }

    model->File1.set_ListIndex(1);
    EXPECT_EQ(selected_in(handle_of(model->File1)), 1);
    model->File1.set_ListIndex(-1);
    EXPECT_EQ(selected_in(handle_of(model->File1)), -1);
    model->Drive1.set_Drive("D:\\anything");
    EXPECT_EQ(selected_in(handle_of(model->Drive1)), 2);
    model->Dir1.set_Path("C:\\WINDOWS");
    EXPECT_EQ(items_of(handle_of(model->Dir1)), "C:\\;WINDOWS");
    EXPECT_EQ(selected_in(handle_of(model->Dir1)), 1);
    model->File1.set_Path("C:\\WINDOWS");
    EXPECT_EQ(items_of(handle_of(model->File1)), "w.bmp");
    fake.files["C:\\WINDOWS\\new.bmp"] = "BM";
    model->File1.refresh();
    EXPECT_EQ(items_of(handle_of(model->File1)), "new.bmp;w.bmp");
}

// A transparent label draws on what lies under it: a shorter caption
// leaves nothing of the longer one, whether it came before the window was
// shown or while it is.
TEST_F(Win32Window, ALabelsNewCaptionLeavesNothingOfTheOldOne)
{
    HWND label = handle_of(model->Jour);
    const auto blue_at_the_sides = [&] {
        pump(20);
        WindowDc dc(label);
        RECT client;
        ::GetClientRect(label, &client);
        int blue = 0;
        for (int y = 0; y < client.bottom; ++y) {
            for (int x = 0; x < client.right; ++x) {
                if (x < client.right / 3 || x >= client.right * 2 / 3)
                    blue += ::GetPixel(dc.get(), x, y) == RGB(0, 0, 255);
            }
        }
        return blue;
    };
    model->Jour.set_Caption("WEDNESDAY");
    model->Jour.set_Caption("I");
    show();
    EXPECT_EQ(blue_at_the_sides(), 0);
    model->Jour.set_Caption("WEDNESDAY");
    EXPECT_GT(blue_at_the_sides(), 0);
    model->Jour.set_Caption("I");
    EXPECT_EQ(blue_at_the_sides(), 0);
}

TEST_F(Win32Window, RunsTheTimersTheModelRuns)
{
    int ticks = 0;
    model->Timer2.Tick = [&] { ++ticks; };
    model->Timer2.set_Interval(20);
    for (int waited = 0; ticks < 3 && waited < 200; ++waited)
        pump(10);
    EXPECT_GE(ticks, 3);

    model->Timer2.set_Enabled(false);
    pump(10); // a tick already queued may still arrive
    int stopped_at = ticks;
    pump(150);
    EXPECT_EQ(ticks, stopped_at);

    model->Timer2.set_Enabled(true);
    model->Timer2.set_Interval(0);
    pump(10);
    stopped_at = ticks;
    pump(150);
    EXPECT_EQ(ticks, stopped_at);
}

// ---- Window to model --------------------------------------------------------------

TEST_F(Win32Window, ButtonsAndTheirAccessKeysClickTheModel)
{
    show();
    std::vector<std::string> clicks;
    model->Bouton_Accepter.Click = [&] { clicks.push_back("accept"); };
    model->Bouton_Enregistrer.Click = [&] { clicks.push_back("save"); };
    model->Bouton_Quitter.Click = [&] { clicks.push_back("quit"); };

    ::SendMessageA(handle_of(model->Bouton_Accepter), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, std::vector<std::string>{"accept"});

    // Alt+letter, as the keyboard delivers it to the window or a control.
    const auto alt = [&](char letter) {
        MSG key{};
        key.hwnd = handle_of(model->File1);
        key.message = WM_SYSCHAR;
        key.wParam = static_cast<WPARAM>(letter);
        key.lParam = 1 << 29; // the Alt key is down
        EXPECT_TRUE(window->pre_translate(key)) << letter;
        pump(20);
    };
    clicks.clear();
    alt('q');
    alt('s'); // disabled: nothing
    alt('A');
    EXPECT_EQ(clicks, (std::vector<std::string>{"quit", "accept"}));
    model->Bouton_Enregistrer.set_Enabled(true);
    clicks.clear();
    alt('s');
    EXPECT_EQ(clicks, std::vector<std::string>{"save"});

    // Return and Escape in a list click no button: the window has no
    // default or cancel button.
    clicks.clear();
    ::SetFocus(handle_of(model->Dir1));
    for (WPARAM key_code : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
        MSG key{handle_of(model->Dir1), WM_KEYDOWN, key_code, 1, 0, {}};
        EXPECT_TRUE(window->pre_translate(key));
        pump(20);
    }
    EXPECT_TRUE(clicks.empty());
}

TEST_F(Win32Window, FileListSelectionDoubleClickAndKeysReachTheModel)
{
    show();
    model->Form_Load(); // "*.bmp": A.BMP, b.bmp, c.bmp
    std::vector<std::string> events;
    model->File1.Click = [&] { events.push_back("click " + model->File1.FileName()); };
    model->File1.DblClick = [&] { events.push_back("double " + model->File1.FileName()); };
    model->File1.KeyPress = [&](int key) { events.push_back("key " + std::to_string(key)); };
    HWND list = handle_of(model->File1);

    click_entry(list, 1);
    EXPECT_EQ(model->File1.ListIndex(), 1);
    click_entry(list, 2, true);
    EXPECT_EQ(events, (std::vector<std::string>{"click b.bmp", "click c.bmp", "double c.bmp"}));

    // A typed letter reaches the model first, then moves the list to the
    // entry it starts, which the model hears as a selection.
    events.clear();
    ::SetFocus(list);
    ::SendMessageA(list, WM_CHAR, 'a', 1);
    EXPECT_EQ(events, (std::vector<std::string>{"key 97", "click A.BMP"}));
    EXPECT_EQ(model->File1.ListIndex(), 0);

    // Return goes to the list as a typed key, not to the dialog keyboard.
    events.clear();
    MSG key{list, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_TRUE(window->pre_translate(key));
    pump(20);
    EXPECT_EQ(events, std::vector<std::string>{"key 13"});
}

TEST_F(Win32Window, FolderAndDriveChoicesWriteTheModelAndFailuresPutTheListsBack)
{
    show();
    std::vector<std::string> changes;
    model->Dir1.Change = [&] { changes.push_back("folder " + model->Dir1.Path()); };
    model->Drive1.Change = [&] { changes.push_back("drive " + model->Drive1.Drive()); };
    HWND folders = handle_of(model->Dir1);
    HWND drives = handle_of(model->Drive1);

    // A single click only moves the highlight; a double-click opens.
    click_entry(folders, 1);
    EXPECT_TRUE(changes.empty());
    click_entry(folders, 1, true);
    EXPECT_EQ(changes, std::vector<std::string>{"folder C:\\PROGRAMS"});
    EXPECT_EQ(items_of(folders), "C:\\;PROGRAMS;MURALIS;Other");

    // A folder that has gone since the list was read: the list shows the
    // model's folder again, read anew.
    fake.folders.erase("C:\\PROGRAMS\\Other");
    click_entry(folders, 3, true);
    EXPECT_EQ(model->Dir1.Path(), "C:\\PROGRAMS");
    EXPECT_EQ(selected_in(folders), 1);
    EXPECT_EQ(items_of(folders), "C:\\;PROGRAMS;MURALIS");

    ::SendMessageA(drives, CB_SETCURSEL, 2, 0);
    ::SendMessageA(window->handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(drives), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(drives));
    EXPECT_EQ(model->Drive1.Drive(), "D:");
    // A drive that has gone: the list, read anew, shows the model's drive
    // again.
    fake.drive_list = {"C:", "D:"};
    ::SendMessageA(drives, CB_SETCURSEL, 0, 0);
    ::SendMessageA(window->handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(drives), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(drives));
    EXPECT_EQ(model->Drive1.Drive(), "D:");
    EXPECT_EQ(items_of(drives), "C:;D:");
    EXPECT_EQ(selected_in(drives), 1);
    EXPECT_EQ(changes, (std::vector<std::string>{"folder C:\\PROGRAMS", "drive D:"}));

    // Return opens the selected folder, as a double-click does.
    model->Drive1.set_Drive("C:");
    model->Dir1.set_Path("C:\\PROGRAMS");
    changes.clear();
    ::SendMessageA(folders, LB_SETCURSEL, 2, 0);
    ::SetFocus(folders);
    MSG key{folders, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_TRUE(window->pre_translate(key));
    pump(20);
    EXPECT_EQ(changes, std::vector<std::string>{"folder C:\\PROGRAMS\\MURALIS"});
}

// Whether every native control shows its model's state: enabled, shown
// (within its container) and its text.
::testing::AssertionResult mirrors(const editor::Arriere_Plan& model, const ArrierePlanWindow& window)
{
    for (const Control* control : model.controls()) {
        HWND handle = window.control_handle(*control);
        if (!handle)
            continue;
        const bool shown = (::GetWindowLongPtrA(handle, GWL_STYLE) & WS_VISIBLE) != 0;
        if ((::IsWindowEnabled(handle) != FALSE) != control->Enabled() || shown != control->Visible())
            return ::testing::AssertionFailure() << control->name() << " enabled/visible differ";
        const auto kind = control->kind();
        if ((kind == editor::ControlKind::Label || kind == editor::ControlKind::CommandButton ||
             kind == editor::ControlKind::TextBox) &&
            text_of(handle) != control->Caption())
            return ::testing::AssertionFailure() << control->name() << " shows " << text_of(handle);
    }
    return ::testing::AssertionSuccess();
}

// The window's own procedures behind the controls, as a user meets them.
TEST_F(Win32Window, TheUsersWalkReachesTheProceduresAndTheWindowFollows)
{
    show();
    model->Form_Load(); // a first run, on Wednesday
    ASSERT_TRUE(mirrors(*model, *window));
    EXPECT_FALSE(::IsWindowEnabled(handle_of(model->Bouton_Accepter)));

    HWND folders = handle_of(model->Dir1);
    click_entry(folders, 0, true);
    click_entry(folders, 2, true);
    ASSERT_EQ(model->Dir1.Path(), "C:\\WINDOWS");
    EXPECT_EQ(selected_in(folders), 1);
    HWND files = handle_of(model->File1);
    click_entry(files, 0);
    EXPECT_EQ(model->current_picture_path, "C:\\WINDOWS\\w.bmp");
    EXPECT_TRUE(mirrors(*model, *window));
    EXPECT_TRUE(::IsWindowEnabled(handle_of(model->Bouton_Accepter)));

    // Return in the file list accepts; so does a double-click.
    MSG key{files, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_TRUE(window->pre_translate(key));
    pump(20);
    EXPECT_EQ(model->weekday_slot_table[1], "C:\\WINDOWS\\w.bmp4");
    EXPECT_TRUE(mirrors(*model, *window));
    EXPECT_EQ(text_of(handle_of(model->Jour)), "THURSDAY");
    click_entry(files, 0, true);
    EXPECT_EQ(model->weekday_slot_table[2], "C:\\WINDOWS\\w.bmp5");
    EXPECT_TRUE(mirrors(*model, *window));
    EXPECT_TRUE(::IsWindowEnabled(handle_of(model->Bouton_Enregistrer)));
    EXPECT_FALSE(::IsWindowEnabled(handle_of(model->Bouton_Quitter)));

    HWND drives = handle_of(model->Drive1);
    ::SendMessageA(drives, CB_SETCURSEL, 2, 0);
    ::SendMessageA(window->handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(drives), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(drives));
    EXPECT_EQ(model->Dir1.Path(), "D:\\");
    EXPECT_TRUE(mirrors(*model, *window));

    // The visit box takes typing, here at the caret's first place.
    HWND box = handle_of(model->Visite);
    ::SendMessageA(box, WM_CHAR, 'x', 1);
    EXPECT_EQ(model->Visite.Text(), "xhttps://muralis.example.org/");

    // Closing asks the model, which asks the user; No ends without saving.
    fake.answers = {MessageAnswer::No};
    ::PostMessageA(window->handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window->run(), 0);
    EXPECT_TRUE(model->ended());
    EXPECT_EQ(fake.files.count("C:\\WINDOWS\\Vantorel.cfg"), 0u);
}

TEST_F(Win32Window, TextBoxClicksAndThePointerOverIt)
{
    show();
    int clicks = 0;
    int double_clicks = 0;
    model->Visite.Click = [&] { ++clicks; };
    model->Visite.DblClick = [&] { ++double_clicks; };
    HWND box = handle_of(model->Visite);
    ::SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, point(10, 5));
    ::SendMessageA(box, WM_LBUTTONUP, 0, point(10, 5));
    EXPECT_EQ(clicks, 1);
    ::SendMessageA(box, WM_LBUTTONDBLCLK, MK_LBUTTON, point(10, 5));
    ::SendMessageA(box, WM_LBUTTONUP, 0, point(10, 5));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(double_clicks, 1);
    // Pressed in the box, released outside: no click.
    ::SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, point(10, 5));
    ::SendMessageA(box, WM_LBUTTONUP, 0, point(-20, 5));
    EXPECT_EQ(clicks, 1);

    // The globe from the program's resources, at the system's pointer size:
    // its hot spot is the globe's centre.
    EXPECT_TRUE(::SendMessageA(window->handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(box),
                               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(::GetCursor(), &info));
    BitmapHandle mask(info.hbmMask);
    BitmapHandle colour(info.hbmColor);
    const int size = ::GetSystemMetrics(SM_CXCURSOR);
    EXPECT_EQ(info.xHotspot, static_cast<DWORD>(size == 16 ? 7 : 15));
    EXPECT_EQ(info.yHotspot, info.xHotspot);
    // Elsewhere the window leaves the pointer to the control.
    EXPECT_FALSE(::SendMessageA(window->handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(handle_of(model->File1)),
                                MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
}

// ---- The loop ------------------------------------------------------------------------

TEST_F(Win32Window, AFailureInAProcedureEndsTheLoopAndReachesItsCaller)
{
    show();
    model->Bouton_Accepter.Click = [] { throw Failure(75, "Path/File access error"); };
    int later_clicks = 0;
    model->Bouton_Quitter.Click = [&] { ++later_clicks; };
    ::PostMessageA(handle_of(model->Bouton_Accepter), BM_CLICK, 0, 0);
    ::PostMessageA(handle_of(model->Bouton_Quitter), BM_CLICK, 0, 0);
    try {
        window->run();
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), 75);
    }
    // Nothing ran after the failure, and the quit message that ended the
    // loop is gone: a message box shown next would stay up.
    EXPECT_EQ(later_clicks, 0);
    MSG message;
    EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    // The same from every kind of control that reports to the model,
    // whichever window procedure meets the failure: one row per way in.
    const auto fail = [] { throw Failure(75, "Path/File access error"); };
    const auto post = [](HWND target, UINT code, WPARAM wparam, LPARAM lparam) {
        ::PostMessageA(target, code, wparam, lparam);
    };
    HWND box = handle_of(model->Visite);
    HWND files = handle_of(model->File1);
    HWND folders = handle_of(model->Dir1);
    RECT folder;
    ASSERT_NE(::SendMessageA(folders, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&folder)), LB_ERR);
    const LPARAM on_folder = point(folder.left + 5, (folder.top + folder.bottom) / 2);
    struct Case {
        const char* way_in;
        std::function<void()> arm;
        std::function<void()> act; // posts the user's messages; none for a timer
    };
    const Case cases[] = {
        {"a click in the text box", [&] { model->Visite.Click = fail; },
         [&] {
             post(box, WM_LBUTTONDOWN, MK_LBUTTON, point(10, 5));
             post(box, WM_LBUTTONUP, 0, point(10, 5));
         }},
        {"a key typed in the file list", [&] { model->File1.KeyPress = [&](int) { fail(); }; },
         [&] { post(files, WM_CHAR, 'a', 1); }},
        {"a double-click on a folder", [&] { model->Dir1.Change = fail; },
         [&] {
             post(folders, WM_LBUTTONDOWN, MK_LBUTTON, on_folder);
             post(folders, WM_LBUTTONUP, 0, on_folder);
             post(folders, WM_LBUTTONDBLCLK, MK_LBUTTON, on_folder);
             post(folders, WM_LBUTTONUP, 0, on_folder);
         }},
        {"a timer's tick", [&] {
             model->Timer2.Tick = fail;
             model->Timer2.set_Interval(10);
         },
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way_in);
        c.arm();
        if (c.act) {
            c.act();
            post(handle_of(model->Bouton_Quitter), BM_CLICK, 0, 0);
        }
        // Ends a loop that no failure ended.
        const UINT_PTR watchdog =
            ::SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(0); });
        try {
            window->run();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), 75);
        }
        ::KillTimer(nullptr, watchdog);
        EXPECT_EQ(later_clicks, 0);
        EXPECT_FALSE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
    model->Timer2.set_Interval(0);
}

// The end of the session asks the model and waits for its answer: the
// window holds the session while a save fails, stays as the answer left it
// when the end is called off, and goes without the credits when it ends.
TEST_F(Win32Window, TheEndOfTheSessionAsksTheModelAndEndsOnlyWhenItEnds)
{
    show();
    model->windows_folder = "C:\\WINDOWS\\";
    HWND handle = window->handle();
    EXPECT_EQ(::SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), TRUE) << "nothing unsaved";
    EXPECT_TRUE(fake.messages.empty());

    model->Bouton_Enregistrer.set_Enabled(true);
    fake.answers = {MessageAnswer::No};
    EXPECT_EQ(::SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), TRUE);
    ::SendMessageA(handle, WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(::IsWindowVisible(handle));
    EXPECT_TRUE(model->Bouton_Enregistrer.Enabled()) << "No leaves the change unsaved";

    fake.failing_paths.insert("C:\\WINDOWS\\Vantorel.cfg");
    fake.answers = {MessageAnswer::Yes, MessageAnswer::Ok};
    EXPECT_EQ(::SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), FALSE) << "a failed save holds the session";
    ::SendMessageA(handle, WM_ENDSESSION, FALSE, 0);
    fake.failing_paths.clear();

    fake.answers = {MessageAnswer::Yes};
    EXPECT_EQ(::SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_FALSE(model->Bouton_Enregistrer.Enabled());
    EXPECT_FALSE(model->ended());
    ::SendMessageA(handle, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(model->ended());
    EXPECT_FALSE(::IsWindowVisible(handle));
    EXPECT_EQ(window->run(), 0);
    std::vector<std::string> titles;
    for (const auto& message : fake.messages)
        titles.push_back(message.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"WARNING: Do you want to save your data ...",
                                                "WARNING: Do you want to save your data ...", "Muralis",
                                                "WARNING: Do you want to save your data ..."}));
}

// Closing asks the model: a save that fails keeps the window, the next
// close answered No ends the program, and the window goes at once.
TEST_F(Win32Window, ClosingTheWindowRunsTheModelsClosingProcedure)
{
    show();
    model->windows_folder = "C:\\WINDOWS\\";
    model->Bouton_Enregistrer.set_Enabled(true);
    fake.failing_paths.insert("C:\\WINDOWS\\Vantorel.cfg");
    fake.answers = {MessageAnswer::Yes, MessageAnswer::Ok, MessageAnswer::No};
    ::PostMessageA(window->handle(), WM_CLOSE, 0, 0);
    ::PostMessageA(window->handle(), WM_CLOSE, 0, 0);
    ::PostMessageA(window->handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window->run(), 0);
    EXPECT_TRUE(model->ended());
    EXPECT_FALSE(::IsWindowVisible(window->handle()));
    std::vector<std::string> titles;
    for (const auto& message : fake.messages)
        titles.push_back(message.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"WARNING: Do you want to save your data ...", "Muralis",
                                                "WARNING: Do you want to save your data ...",
                                                "Muralis (version 1.1) - Credits"}));
}

} // namespace
} // namespace muralis::win32
