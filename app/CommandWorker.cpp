#include "app/CommandWorker.h"

namespace tallis {

CommandWorker::~CommandWorker() {
    RequestCancel();
    Finish();
}

bool CommandWorker::Start(std::function<void()> work) {
    if (Running()) {
        return false;
    }
    cancel_.store(false);
    thread_ = std::thread(std::move(work));
    return true;
}

void CommandWorker::Finish() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace tallis
