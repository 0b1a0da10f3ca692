#include "platform/linux/view/binder_factory.h"

#include "platform/linux/view/button_binder.h"
#include "platform/linux/view/label_binders.h"
#include "platform/linux/view/list_binders.h"
#include "platform/linux/view/picture_binder.h"
#include "platform/linux/view/text_box_binder.h"
#include "platform/linux/view/timer_binder.h"

namespace muralis::linux_platform {

namespace {

// The visitor behind make_binder: each control calls the overload of its
// own class, which makes the binder of its kind.
class BinderFactory final : public editor::ControlVisitor {
public:
    BinderFactory(QWidget* parent, ViewContext& context) : m_parent(parent), m_context(context) {}

    std::unique_ptr<ControlBinder> made;

    void visit(editor::TextBox& control) override
    {
        made = std::make_unique<TextBoxBinder>(control, m_parent, m_context);
    }
    void visit(editor::CommandButton& control) override
    {
        made = std::make_unique<ButtonBinder>(control, m_parent, m_context);
    }
    void visit(editor::Frame& control) override
    {
        made = std::make_unique<PanelBinder>(control, m_parent, m_context);
    }
    void visit(editor::Timer& control) override
    {
        made = std::make_unique<TimerBinder>(control, m_context);
    }
    void visit(editor::Label& control) override
    {
        made = std::make_unique<LabelBinder>(control, m_parent, m_context);
    }
    void visit(editor::FileListBox& control) override
    {
        made = std::make_unique<FileListBinder>(control, m_parent, m_context);
    }
    void visit(editor::DirListBox& control) override
    {
        made = std::make_unique<FolderListBinder>(control, m_parent, m_context);
    }
    void visit(editor::DriveListBox& control) override
    {
        made = std::make_unique<DriveBoxBinder>(control, m_parent, m_context);
    }
    void visit(editor::Image& control) override
    {
        made = std::make_unique<PictureBinder>(control, m_parent, m_context);
    }

private:
    QWidget* m_parent;
    ViewContext& m_context;
};

} // namespace

std::unique_ptr<ControlBinder> make_binder(editor::Control& control, QWidget* parent, ViewContext& context)
{
    BinderFactory factory(parent, context);
    control.accept(factory);
    factory.made->show_all();
    return std::move(factory.made);
}

} // namespace muralis::linux_platform
