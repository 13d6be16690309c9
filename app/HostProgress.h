#pragma once

#include <cstdint>

#include "classic/RunHost.h"
#include "engine/OperationProgress.h"

namespace tallis {

// A chip operation's progress on its window's gauge (only when the percentage
// changes), and the window's cancel request. Remembers where the operation
// last was, for the status line of a cancelled one.
class HostProgress : public OperationProgress {
  public:
    explicit HostProgress(RunHost& host) : host_(host) {}

    void Report(std::uint32_t done, std::uint32_t total, std::uint16_t address) override;
    bool CancelRequested() const override { return host_.CancelRequested(); }
    std::uint16_t LastAddress() const { return lastAddress_; }

  private:
    RunHost& host_;
    int lastPercent_ = -1;
    std::uint16_t lastAddress_ = 0;
};

}  // namespace tallis
