#include "platform/win32/view/control_factory.h"

#include "platform/win32/view/button_control.h"
#include "platform/win32/view/label_and_panel.h"
#include "platform/win32/view/list_controls.h"
#include "platform/win32/view/picture_control.h"
#include "platform/win32/view/text_box_control.h"
#include "platform/win32/view/timer_control.h"

namespace muralis::win32 {

namespace {

class Factory final : public editor::ControlVisitor {
public:
    explicit Factory(ControlHost& host) : m_host(host) {}

    std::unique_ptr<NativeControl> made;

    void visit(editor::TextBox& control) override { made = std::make_unique<TextBoxControl>(control, m_host); }
    void visit(editor::CommandButton& control) override { made = std::make_unique<ButtonControl>(control, m_host); }
    void visit(editor::Frame& control) override { made = std::make_unique<PanelControl>(control, m_host); }
    void visit(editor::Timer& control) override { made = std::make_unique<TimerControl>(control, m_host); }
    void visit(editor::Label& control) override { made = std::make_unique<LabelControl>(control, m_host); }
    void visit(editor::FileListBox& control) override
    {
        made = std::make_unique<FileListControl>(control, m_host);
    }
    void visit(editor::DirListBox& control) override
    {
        made = std::make_unique<FolderListControl>(control, m_host);
    }
    void visit(editor::DriveListBox& control) override
    {
        made = std::make_unique<DriveBoxControl>(control, m_host);
    }
    void visit(editor::Image& control) override { made = std::make_unique<PictureControl>(control, m_host); }

private:
    ControlHost& m_host;
};

} // namespace

std::unique_ptr<NativeControl> make_native_control(editor::Control& control, ControlHost& host)
{
    Factory factory(host);
    control.accept(factory);
    return std::move(factory.made);
}

} // namespace muralis::win32
