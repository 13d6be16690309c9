#pragma once

#include <cstdint>

namespace tallis {

// How a chip operation tells its front end how far it is, and learns that the
// user wants it to stop. Both are asked between steps, never inside one.
class OperationProgress {
  public:
    virtual ~OperationProgress() = default;
    // done of total steps; address is the location the step was at.
    virtual void Report(std::uint32_t done, std::uint32_t total, std::uint16_t address) = 0;
    virtual bool CancelRequested() const = 0;
};

}  // namespace tallis
