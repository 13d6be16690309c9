#pragma once

#include <cstdint>

#include "portio/PortIo.h"
#include "sim/InterfaceBoard.h"
#include "sim/SimClock.h"
#include "sim/Violation.h"

namespace tallis::sim {

// A parallel port at a chosen base address, its registers holding the
// board at rest at first: data register at base (written),
// status at base + 1 (read: the board's data-in pin, every other bit 1),
// control at base + 2 (written). Reading the data
// or control register returns what was last written, as on a real port.
// Any other access is recorded as a PortAddress violation and does nothing
// (reads return 0xFF).
class SimulatedPort final : public tallis::PortIo {
  public:
    SimulatedPort(std::uint16_t base, InterfaceBoard& board, SimClock& clock, ViolationLog& log)
        : base_(base),
          board_(board),
          clock_(clock),
          log_(log),
          data_(board.RestData()),
          control_(board.RestControl()) {}

    void WriteByte(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t ReadByte(std::uint16_t port) override;

    std::uint16_t Base() const { return base_; }
    std::uint8_t DataRegister() const { return data_; }
    std::uint8_t ControlRegister() const { return control_; }
    std::uint64_t Writes() const { return writes_; }
    std::uint64_t Reads() const { return reads_; }

  private:
    std::uint16_t base_;
    InterfaceBoard& board_;
    SimClock& clock_;
    ViolationLog& log_;
    std::uint8_t data_;
    std::uint8_t control_;
    std::uint64_t writes_ = 0;
    std::uint64_t reads_ = 0;
};

}  // namespace tallis::sim
