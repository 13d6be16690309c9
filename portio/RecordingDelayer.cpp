#include "portio/RecordingDelayer.h"

namespace tallis {

void RecordingDelayer::Delay(std::uint32_t microseconds) {
    trace_.RecordDelay(microseconds);
    if (inner_ != nullptr) {
        inner_->Delay(microseconds);
    }
}

}  // namespace tallis
