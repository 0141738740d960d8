// A watcher thread: runs one function on a thread of its own, at once and
// then every interval, until the object goes. The wait between runs ends as
// soon as the object goes, and the thread has ended when the destructor
// returns, so the function may use the owner's members declared before it.
#pragma once

#include <windows.h>
#include <functional>
#include <thread>

namespace wintest {

class PollingThread {
public:
    explicit PollingThread(std::function<void()> poll, DWORD interval_ms = 20)
        : poll_(poll), interval_ms_(interval_ms), stop_(CreateEventA(NULL, TRUE, FALSE, NULL)),
          thread_([this] { run(); })
    {
    }
    ~PollingThread()
    {
        SetEvent(stop_);
        thread_.join();
        CloseHandle(stop_);
    }
    PollingThread(const PollingThread &) = delete;
    PollingThread &operator=(const PollingThread &) = delete;

private:
    void run()
    {
        do
            poll_();
        while (WaitForSingleObject(stop_, interval_ms_) == WAIT_TIMEOUT);
    }

    std::function<void()> poll_;
    DWORD interval_ms_;
    HANDLE stop_;
    std::thread thread_;
};

} // namespace wintest
