#pragma once

#include "portio/AccessTrace.h"
#include "timing/Delayer.h"

namespace tallis {

// Logs every wait into a trace ("D us") and passes it on to an inner delayer.
// Without an inner delayer the wait is only logged, which suits traces of runs
// against a port that needs no real time.
class RecordingDelayer : public Delayer {
  public:
    explicit RecordingDelayer(AccessTrace& trace, Delayer* inner = nullptr)
        : trace_(trace), inner_(inner) {}

    void Delay(std::uint32_t microseconds) override;

  private:
    AccessTrace& trace_;
    Delayer* inner_;
};

}  // namespace tallis
