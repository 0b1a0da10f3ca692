// The editor's picture browser timed inside one process: the window model
// over the real Linux platform with the Qt view attached, started as
// Muralset starts (Form_Load on the schedule under XDG_DATA_HOME, then the
// window shown and painted), then driven the way its procedures and the user
// drive it. Run by bench/editor/run, which makes the folders and pictures.
//
//   editor_browser_bench list FOLDER OTHER_FOLDER RUNS
//       Writes Dir1.Path = FOLDER (Dir1_Change lists it into File1) and
//       waits until the file list has painted; OTHER_FOLDER, written before
//       each run, makes every run a real change of folder.
//   editor_browser_bench position FOLDER NAME RUNS
//       Emplacement_Photo on a slot naming FOLDER/NAME, with the lists
//       already on FOLDER: one ListIndex write per entry up to NAME.
//   editor_browser_bench preview FOLDER NAME SMALL_NAME RUNS
//       The user selects NAME in the file list (File1_Click loads it) and
//       the preview paints; SMALL_NAME, selected before each run, takes the
//       previous picture away. Peak memory is read around each run.
//   editor_browser_bench startup PHASES_FILE
//       Muralset's own start, its steps timed into PHASES_FILE once the
//       window has painted; then runs until it is ended from outside.
//
// Prints "key value" lines: milliseconds, or kB for memory, medians over the
// runs unless the key says otherwise.
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QListWidget>

#include "editor/arriere_plan.h"
#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/pictures/picture_reader.h"
#include "platform/linux/qt/qt_picture.h"
#include "platform/linux/qt/qt_toolkit.h"
#include "platform/linux/view/arriere_plan_view.h"
#include "platform/linux/view/font_configuration.h"
#include "platform/linux/work_ahead.h"

namespace {

using namespace muralis;
using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "editor_browser_bench: %s\n", why.c_str());
    std::exit(1);
}

double ms_between(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void print(const std::string& key, double value)
{
    std::printf("%s %.3f\n", key.c_str(), value);
}

// One of the numbers of /proc/self/status, in kB.
long status_kb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    }
    fail("no " + field + " in /proc/self/status");
}

// Makes the peak resident size start again from the current one.
void reset_peak_memory()
{
    std::ofstream clear_refs("/proc/self/clear_refs");
    clear_refs << "5";
    if (!clear_refs.flush())
        fail("cannot reset the peak resident size through /proc/self/clear_refs");
}

// Counts the paint events a widget receives. The filter sees each event
// before the widget paints; by the time processEvents() returns the paint
// and the flush of the window to the screen are done.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_count;
        return false;
    }

private:
    int m_count = 0;
};

// Processes events, waiting for them, until done() holds.
void process_events_until(const std::function<bool()>& done, const char* what)
{
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (Clock::now() > deadline)
            fail(std::string("timed out waiting for ") + what);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// Stands between the model and the view: passes every change on (or, when
// detached, none) and keeps the time the view spends on each control and
// property, so that a run tells the model's share from the view's.
class TimedObserver final : public editor::ControlObserver {
public:
    explicit TimedObserver(editor::ControlObserver& view) : m_view(view) {}

    void forward(bool to_view) { m_forward = to_view; }
    void reset() { m_spent.clear(); }
    // Milliseconds and calls per "Control.Property".
    struct Spent {
        double ms = 0;
        int calls = 0;
    };
    std::map<std::string, Spent> spent() const
    {
        std::map<std::string, Spent> named;
        for (const auto& [key, spent] : m_spent)
            named[key.first->name() + "." + property_name(key.second)] = spent;
        return named;
    }
    double total_ms() const
    {
        double total = 0;
        for (const auto& [key, spent] : m_spent)
            total += spent.ms;
        return total;
    }

    void control_changed(editor::Control& control, editor::Property property) override
    {
        // Keyed by address: a text key built at every change would cost the
        // positioning's 10 000 writes more than the model itself.
        Spent& spent = m_spent[{&control, property}];
        ++spent.calls;
        if (!m_forward)
            return;
        const auto start = Clock::now();
        m_view.control_changed(control, property);
        spent.ms += ms_between(start, Clock::now());
    }
    void window_caption_changed(const std::string& caption) override
    {
        if (m_forward)
            m_view.window_caption_changed(caption);
    }
    void window_moved() override
    {
        if (m_forward)
            m_view.window_moved();
    }
    void window_ended() override
    {
        if (m_forward)
            m_view.window_ended();
    }

private:
    static const char* property_name(editor::Property property)
    {
        using editor::Property;
        switch (property) {
        case Property::Caption: return "Caption";
        case Property::Enabled: return "Enabled";
        case Property::Visible: return "Visible";
        case Property::Picture: return "Picture";
        case Property::Interval: return "Interval";
        case Property::Drive: return "Drive";
        case Property::Path: return "Path";
        case Property::Pattern: return "Pattern";
        case Property::List: return "List";
        case Property::ListIndex: return "ListIndex";
        case Property::Focus: return "Focus";
        case Property::AccessibleName: return "AccessibleName";
        }
        return "?";
    }

    editor::ControlObserver& m_view;
    bool m_forward = true;
    std::map<std::pair<const editor::Control*, editor::Property>, Spent> m_spent;
};

// Muralset's start, as apps/linux/muralset_main.cpp makes it, with the
// timed observer between the model and the view once the window is up.
struct Editor {
    linux_platform::QtToolkit& toolkit = linux_platform::qt_toolkit();
    linux_platform::LinuxFiles files;
    linux_platform::LinuxSystem system{toolkit};
    linux_platform::LinuxDesktop desktop{toolkit};
    editor::Arriere_Plan window{{files, system, desktop}};
    linux_platform::ArrierePlanView view{window};
    TimedObserver observer{view};
    QListWidget* file_list = nullptr;
    QWidget* picture = nullptr;
    std::unique_ptr<PaintCounter> file_list_paints;
    std::unique_ptr<PaintCounter> picture_paints;

    Editor()
    {
        toolkit.set_message_owner(&view);
        view.set_failure_handler([](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const Failure& failure) {
                fail("a procedure failed: " + failure.description());
            } catch (const std::exception& other) {
                fail(std::string("a procedure failed: ") + other.what());
            }
        });
        window.Form_Load();
        file_list = qobject_cast<QListWidget*>(view.widget_for(window.File1));
        picture = view.widget_for(window.Image1);
        if (!file_list || !picture)
            fail("the view has no file list or no picture widget");
        file_list_paints = std::make_unique<PaintCounter>(file_list->viewport());
        picture_paints = std::make_unique<PaintCounter>(picture);
        view.show();
        wait_for_file_list_paint(0);
        window.attach_view(&observer);
    }
    ~Editor() { window.attach_view(&view); }

    void wait_for_file_list_paint(int paints_before)
    {
        process_events_until([&] { return file_list_paints->count() > paints_before; }, "the file list to paint");
    }
    void wait_for_picture_paint(int paints_before)
    {
        process_events_until([&] { return picture_paints->count() > paints_before; }, "the picture to paint");
    }
    // Opens folder and waits until the file list shows it.
    void open_folder(const std::string& folder)
    {
        if (window.Dir1.Path() == folder)
            return;
        const int paints = file_list_paints->count();
        window.Dir1.set_Path(folder);
        if (window.Dir1.Path() != folder)
            fail("Dir1 is on " + window.Dir1.Path() + ", not " + folder);
        wait_for_file_list_paint(paints);
    }
    int row_of(const std::string& name) const
    {
        const auto& names = window.File1.names();
        const auto found = std::find(names.begin(), names.end(), name);
        if (found == names.end())
            fail(name + " is not in the file list");
        return static_cast<int>(found - names.begin());
    }
};

// Medians of the time the view spent per control and property, over runs.
class ViewShares {
public:
    void add(const TimedObserver& observer)
    {
        for (const auto& [key, spent] : observer.spent()) {
            m_ms[key].push_back(spent.ms);
            m_calls[key] = spent.calls;
        }
    }
    void print_all(const std::string& prefix) const
    {
        for (const auto& [key, values] : m_ms) {
            print(prefix + "view." + key, median(values));
            print(prefix + "calls." + key, m_calls.at(key));
        }
    }

private:
    std::map<std::string, std::vector<double>> m_ms;
    std::map<std::string, int> m_calls;
};

void list(Editor& editor, const std::string& folder, const std::string& other_folder, int runs)
{
    std::vector<double> total, write, view, model, paint;
    ViewShares shares;
    // One run more than asked: the first, which reads the folder into this
    // process for the first time, is reported on its own.
    for (int run = 0; run <= runs; ++run) {
        editor.open_folder(other_folder);
        editor.observer.reset();
        const int paints = editor.file_list_paints->count();
        const auto start = Clock::now();
        editor.window.Dir1.set_Path(folder);
        const auto written = Clock::now();
        editor.wait_for_file_list_paint(paints);
        const auto painted = Clock::now();
        if (run == 0) {
            print("list.first.total", ms_between(start, painted));
            continue;
        }
        total.push_back(ms_between(start, painted));
        write.push_back(ms_between(start, written));
        view.push_back(editor.observer.total_ms());
        model.push_back(ms_between(start, written) - editor.observer.total_ms());
        paint.push_back(ms_between(written, painted));
        shares.add(editor.observer);
    }
    print("list.entries", editor.window.File1.ListCount());
    print("list.total", median(total));
    print("list.write", median(write));
    print("list.write.model", median(model));
    print("list.write.view", median(view));
    print("list.events_and_paint", median(paint));
    shares.print_all("list.");

    // The model's steps one by one, and the model alone with no view.
    std::vector<double> read, filter, sort, model_only;
    std::size_t read_count = 0, kept_count = 0;
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        std::vector<std::string> names = editor.files.file_names(folder);
        read.push_back(ms_between(start, Clock::now()));
        read_count = names.size();

        start = Clock::now();
        std::vector<std::string> kept;
        for (const auto& name : names) {
            if (editor::matches_pattern(name, "*.bmp"))
                kept.push_back(name);
        }
        filter.push_back(ms_between(start, Clock::now()));
        kept_count = kept.size();

        start = Clock::now();
        editor::sort_names(kept);
        sort.push_back(ms_between(start, Clock::now()));

        editor.open_folder(other_folder);
        editor.observer.forward(false);
        start = Clock::now();
        editor.window.Dir1.set_Path(folder);
        model_only.push_back(ms_between(start, Clock::now()));
        editor.observer.forward(true);
    }
    editor.open_folder(other_folder);
    print("phase.read_folder.names", static_cast<double>(read_count));
    print("phase.read_folder", median(read));
    print("phase.filter.kept", static_cast<double>(kept_count));
    print("phase.filter", median(filter));
    print("phase.sort", median(sort));
    print("phase.model_without_view", median(model_only));
}

void position(Editor& editor, const std::string& folder, const std::string& name, int runs)
{
    editor.open_folder(folder);
    auto& window = editor.window;
    const std::string path = folder + "/" + name;
    const auto reset = [&] {
        // Back to the top of the list with nothing selected, as positioning
        // leaves it, so that every run scrolls the same way.
        window.positioning_flag = 1;
        window.File1.set_ListIndex(0);
        window.File1.set_ListIndex(-1);
        window.positioning_flag = 0;
        QCoreApplication::processEvents();
        window.edited_slot = 1;
        window.weekday_slot_table[1] = path + "1";
        window.current_picture_path = path;
    };

    std::vector<double> total, write, view, model, paint, model_only;
    ViewShares shares;
    for (int run = 0; run <= runs; ++run) {
        reset();
        const int paints = editor.file_list_paints->count();
        editor.observer.reset();
        const auto start = Clock::now();
        window.Emplacement_Photo();
        const auto written = Clock::now();
        editor.wait_for_file_list_paint(paints);
        const auto painted = Clock::now();
        if (window.File1.FileName() != name)
            fail("positioning selected '" + window.File1.FileName() + "', not " + name);
        if (run == 0)
            continue; // a warm-up
        total.push_back(ms_between(start, painted));
        write.push_back(ms_between(start, written));
        view.push_back(editor.observer.total_ms());
        model.push_back(ms_between(start, written) - editor.observer.total_ms());
        paint.push_back(ms_between(written, painted));
        shares.add(editor.observer);
    }
    for (int run = 0; run < runs; ++run) {
        reset();
        editor.observer.forward(false);
        const auto start = Clock::now();
        window.Emplacement_Photo();
        model_only.push_back(ms_between(start, Clock::now()));
        editor.observer.forward(true);
    }
    print("position.index", window.File1.ListIndex());
    print("position.total", median(total));
    print("position.total.fastest", *std::min_element(total.begin(), total.end()));
    print("position.total.slowest", *std::max_element(total.begin(), total.end()));
    print("position.write", median(write));
    print("position.write.model", median(model));
    print("position.write.view", median(view));
    print("position.events_and_paint", median(paint));
    print("position.model_without_view", median(model_only));
    shares.print_all("position.");
}

void preview(Editor& editor, const std::string& folder, const std::string& name, const std::string& small_name,
             int runs)
{
    editor.open_folder(folder);
    auto& window = editor.window;
    const int row = editor.row_of(name);
    const int small_row = editor.row_of(small_name);
    const auto select = [&](int at) {
        // What a click on the entry does: the list's selection changes and
        // the view passes it to the model.
        const int paints = editor.picture_paints->count();
        editor.file_list->setCurrentRow(at);
        return paints;
    };

    std::vector<double> total, click, paint, memory;
    int width = 0, height = 0;
    for (int run = 0; run < runs; ++run) {
        editor.wait_for_picture_paint(select(small_row));
        // The previous large picture has gone; what the allocator still
        // holds of it goes back before the baseline is read.
        ::malloc_trim(0);
        reset_peak_memory();
        const long before = status_kb("VmHWM");

        const auto start = Clock::now();
        const int paints = select(row);
        const auto clicked = Clock::now();
        editor.wait_for_picture_paint(paints);
        const auto painted = Clock::now();
        const long peak = status_kb("VmHWM");

        const auto& shown = window.Image1.Picture();
        if (!shown || window.File1.FileName() != name)
            fail("the preview does not show " + name);
        width = shown->width();
        height = shown->height();
        if (run == 0)
            print("preview.first.memory_kb", static_cast<double>(peak - before));
        total.push_back(ms_between(start, painted));
        click.push_back(ms_between(start, clicked));
        paint.push_back(ms_between(clicked, painted));
        memory.push_back(static_cast<double>(peak - before));
    }

    // The steps apart: the decoder alone, as the preview asks for the
    // picture (for its box) and for the whole picture, and the reduction
    // the preview paints from.
    std::vector<double> decode, decode_whole, scale;
    const QSize box = editor.picture->contentsRect().size() * editor.picture->devicePixelRatioF();
    const editor::TwipsRect& image_box = window.Image1.rect();
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        const auto whole = editor.desktop.load_picture(folder + "/" + name);
        decode_whole.push_back(ms_between(start, Clock::now()));
        // The picture's own size, whatever the preview keeps of it.
        width = whole->width();
        height = whole->height();
        start = Clock::now();
        auto picture = editor.desktop.load_preview(folder + "/" + name, {image_box.width, image_box.height});
        decode.push_back(ms_between(start, Clock::now()));
        start = Clock::now();
        static_cast<const linux_platform::QtPicture&>(*picture).scaled_to(box);
        scale.push_back(ms_between(start, Clock::now()));
    }

    print("preview.width", width);
    print("preview.height", height);
    print("preview.decoded_kb", static_cast<double>(width) * height * 4 / 1024);
    print("preview.total", median(total));
    print("preview.click", median(click));
    print("preview.events_and_paint", median(paint));
    print("preview.memory_kb", median(memory));
    print("preview.memory_kb.max", *std::max_element(memory.begin(), memory.end()));
    print("phase.decode", median(decode));
    print("phase.decode_whole", median(decode_whole));
    print("phase.scale", median(scale));
}

// Muralset's start, step by step as apps/linux/muralset_main.cpp takes
// them, written to phases_file once the window has painted; then the event
// loop runs until the program is ended from outside (bench/startup/run
// starts it under window_stopwatch, which gives the time it started the
// program in WINDOW_STOPWATCH_START_NS).
int startup(int argc, char* argv[], Clock::time_point entered, const std::string& phases_file)
{
    // Each step's wall time and the main thread's processor time in it:
    // a step whose processor time falls short of its wall time waited.
    struct Phase {
        std::string name;
        double wall_ms;
        double cpu_ms;
    };
    std::vector<Phase> phases;
    const auto cpu_now = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    };
    auto last = entered;
    double last_cpu = cpu_now();
    if (const char* started = std::getenv("WINDOW_STOPWATCH_START_NS")) {
        const auto start = Clock::time_point(std::chrono::nanoseconds(std::atoll(started)));
        phases.push_back({"loading", ms_between(start, entered), last_cpu});
    }
    const auto step = [&](const std::string& name) {
        const auto now = Clock::now();
        const double cpu = cpu_now();
        phases.push_back({name, ms_between(last, now), cpu - last_cpu});
        last = now;
        last_cpu = cpu;
    };

    linux_platform::WorkAhead ahead([] {
        linux_platform::read_font_configuration();
        linux_platform::picture_pattern();
    });
    QApplication application(argc, argv);
    step("qapplication");
    ahead.wait();
    step("work_ahead");
    linux_platform::QtToolkit& toolkit = linux_platform::qt_toolkit();
    linux_platform::LinuxFiles files;
    linux_platform::LinuxSystem system(toolkit);
    linux_platform::LinuxDesktop desktop(toolkit);
    editor::Arriere_Plan window({files, system, desktop});
    step("window_model");
    linux_platform::ArrierePlanView view(window);
    toolkit.set_message_owner(&view);
    step("view");
    TimedObserver observer(view);
    window.attach_view(&observer);
    window.Form_Load();
    step("form_load");
    window.attach_view(&view);
    phases.push_back({"form_load.in_view", observer.total_ms(), 0});
    for (const auto& [key, spent] : observer.spent()) {
        if (spent.ms >= 0.5)
            phases.push_back({"form_load.in_view." + key, spent.ms, 0});
    }

    PaintCounter file_list_paints(qobject_cast<QListWidget*>(view.widget_for(window.File1))->viewport());
    PaintCounter picture_paints(view.widget_for(window.Image1));
    view.show();
    step("show");
    process_events_until([&] { return file_list_paints.count() > 0 && picture_paints.count() > 0; },
                         "the window to paint");
    step("first_paint");
    {
        std::ofstream out(phases_file);
        for (const auto& phase : phases)
            out << phase.name << ' ' << phase.wall_ms << ' ' << phase.cpu_ms << '\n';
    }
    return application.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    const auto entered = Clock::now();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "startup")
        return startup(argc, argv, entered, args[1]);

    QApplication application(argc, argv);
    const auto runs_at = [&](std::size_t at) {
        const int runs = at < args.size() ? std::atoi(args[at].c_str()) : 0;
        if (runs < 1)
            fail("the last argument is the number of runs");
        return runs;
    };
    if (args.size() == 4 && args[0] == "list") {
        Editor editor;
        list(editor, args[1], args[2], runs_at(3));
    } else if (args.size() == 4 && args[0] == "position") {
        Editor editor;
        position(editor, args[1], args[2], runs_at(3));
    } else if (args.size() == 5 && args[0] == "preview") {
        Editor editor;
        preview(editor, args[1], args[2], args[3], runs_at(4));
    } else {
        fail("usage: editor_browser_bench list FOLDER OTHER_FOLDER RUNS | position FOLDER NAME RUNS | "
             "preview FOLDER NAME SMALL_NAME RUNS | startup PHASES_FILE");
    }
    return 0;
}
