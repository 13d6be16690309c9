#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace tallis {

// Runs the window's chip work on a thread of its own, one piece at a time, so
// that the window keeps answering. Plain C++: each front end tells its own
// thread that the work has ended (the work's last step posts that) and then
// calls Finish there.
//
// Running, Start and Finish belong to the window's thread; the cancel request
// may be read from any thread.
class CommandWorker {
  public:
    CommandWorker() = default;
    ~CommandWorker();
    CommandWorker(const CommandWorker&) = delete;
    CommandWorker& operator=(const CommandWorker&) = delete;

    // False, and nothing started, while earlier work has not been finished.
    bool Start(std::function<void()> work);
    // Waits for the thread to end; called once its work has said it is done.
    void Finish();
    bool Running() const { return thread_.joinable(); }

    // Asks the running work to stop at its next check; cleared by Start.
    void RequestCancel() { cancel_.store(true); }
    bool CancelRequested() const { return cancel_.load(); }

  private:
    std::thread thread_;
    std::atomic<bool> cancel_{false};
};

}  // namespace tallis
