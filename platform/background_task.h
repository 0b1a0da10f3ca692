// Work on a thread of its own, for the platforms' PreparedWallpaper.
#pragma once

#include <exception>
#include <functional>
#include <thread>
#include <utility>

namespace muralis {

// Runs work on a thread of its own from its construction. finish() waits
// for it and passes its exception on, once; the destructor waits too, so a
// task declared after what its work uses is done with it first.
class BackgroundTask {
public:
    explicit BackgroundTask(std::function<void()> work)
        : m_worker([this, work = std::move(work)] {
              try {
                  work();
              } catch (...) {
                  m_failure = std::current_exception();
              }
          })
    {
    }
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;
    ~BackgroundTask()
    {
        if (m_worker.joinable())
            m_worker.join();
    }

    void finish()
    {
        if (m_worker.joinable())
            m_worker.join();
        if (m_failure)
            std::rethrow_exception(std::exchange(m_failure, nullptr));
    }

private:
    std::exception_ptr m_failure;
    std::thread m_worker;
};

} // namespace muralis
