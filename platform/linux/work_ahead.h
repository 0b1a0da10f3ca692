// Work a program's start needs that waits for nothing on screen, done on a
// thread of its own while the main thread does what does wait (connecting
// to the display). The work must be work that the program would otherwise
// do when it first needs it, and that is safe from any thread: the main
// thread waits for it before it needs its result, and if no thread can be
// had, the work is simply left to be done then.
#pragma once

#include <functional>
#include <thread>

namespace muralis::linux_platform {

class WorkAhead {
public:
    explicit WorkAhead(std::function<void()> work);
    // Waits for the work, if nothing did.
    ~WorkAhead();
    WorkAhead(const WorkAhead&) = delete;
    WorkAhead& operator=(const WorkAhead&) = delete;

    // Returns once the work is done.
    void wait();

private:
    std::thread m_worker;
};

} // namespace muralis::linux_platform
