#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "board/BoardWiring.h"
#include "portio/PortIo.h"
#include "timing/Delayer.h"
#include "wire/LineTransport.h"

namespace tallis {

// The line transport of a parallel-port board: each line change is one write
// of every register that carries a changed line, each read one read of the
// status register, each wait one Delay, all at once. The board row says which
// pin carries which line; the register bits and the PC's own inversions come
// from ParallelPortPins. Register bits of no line are written as 0.
class ParallelPortTransport final : public LineTransport {
  public:
    static constexpr std::uint16_t kLpt1Base = 0x378;

    ParallelPortTransport(PortIo& port, Delayer& timer,
                          const board::BoardWiring& board = board::kDefaultBoard,
                          std::uint16_t base = kLpt1Base);

    void Drive(LineLevels levels) override;
    bool ReadData() override;
    LineLevels ReadingLevels() const override;
    void Wait(std::uint32_t microseconds) override { timer_.Delay(microseconds); }
    std::uint64_t FailedAccesses() const override { return port_.FailedAccesses(); }

    // Low-voltage entry on a board that has a PGM line and a VPP switch too
    // (without a VPP switch it is the only entry there is); it takes MCLR to VDD
    // through the run line.
    void UseLowVoltageEntry(bool on) { lowVoltage_ = on; }
    BoardEntry Entry() const override {
        const bool canEnter = board_.pgm.Connected() && board_.run.Connected();
        return {.lowVoltage = canEnter && (lowVoltage_ || !board_.vpp.Connected()),
                .switchesSupply = board_.VddSwitched(),
                .vpp = board_.vpp.Connected()};
    }

    std::uint16_t Base() const { return base_; }
    void SetBase(std::uint16_t base) { base_ = base; }
    const board::BoardWiring& Board() const { return board_; }

  private:
    // An output line of the board: its register bit, and whether the bit is
    // the opposite of the line's level (the board's inversion and the PC's).
    struct OutputBit {
        std::uint8_t line = 0;
        std::uint16_t offset = 0;
        std::uint8_t mask = 0;
        bool flipped = false;
    };
    static constexpr std::size_t kMaxOutputs = 9;

    std::uint8_t LevelsOnPins() const;
    std::uint8_t RegisterValue(std::uint16_t offset) const;

    PortIo& port_;
    Delayer& timer_;
    const board::BoardWiring& board_;
    std::uint16_t base_;
    bool lowVoltage_ = false;
    std::uint8_t high_ = 0;  // the level of every line, as last driven
    std::array<OutputBit, kMaxOutputs> outputs_{};
    std::size_t outputCount_ = 0;
};

}  // namespace tallis
