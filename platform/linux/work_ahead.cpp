#include "platform/linux/work_ahead.h"

#include <system_error>
#include <utility>

namespace muralis::linux_platform {

WorkAhead::WorkAhead(std::function<void()> work)
{
    try {
        m_worker = std::thread([work = std::move(work)] {
            try {
                work();
            } catch (...) {
                // Done again when it is needed, where its failure is met.
            }
        });
    } catch (const std::system_error&) {
        // No thread to spare: the work is done when it is needed.
    }
}

WorkAhead::~WorkAhead()
{
    wait();
}

void WorkAhead::wait()
{
    if (m_worker.joinable())
        m_worker.join();
}

} // namespace muralis::linux_platform
