#include "wire/ParallelPortTransport.h"

#include <optional>
#include <utility>

#include "wire/ParallelPortPins.h"

namespace tallis {

namespace {

// The registers the writes go to, in this order when one change reaches both.
constexpr std::uint16_t kOutputRegisters[] = {kDataRegister, kControlRegister};

}  // namespace

ParallelPortTransport::ParallelPortTransport(PortIo& port, Delayer& timer,
                                             const board::BoardWiring& board, std::uint16_t base)
    : port_(port), timer_(timer), board_(board), base_(base) {
    const std::pair<std::uint8_t, board::PinLine> lines[] = {
        {kClockLine, board.clock},
        {kDataOutLine, board.dataOut},
        {kRunLine, board.run},
        {kVppLine, board.vpp},
        {kVddLine, board.vdd},
        {kPgmLine, board.pgm},
        {kDataDirectionLine, board.dataDirection},
        {kConnectLine, board.connect},
        {kDataOutLine, board.dataOutAlso},
    };
    for (const auto& [line, wiring] : lines) {
        const std::optional<PortPin> pin = ParallelPortPin(wiring.pin);
        if (pin && pin->output) {
            outputs_[outputCount_++] = {line, pin->offset, pin->mask,
                                        wiring.inverted != pin->pcInverted};
        }
    }
}

// A board without a run line holds MCLR low while VPP is off, so the run
// line's "reset, whatever VPP does" is kept by holding VPP off as well.
std::uint8_t ParallelPortTransport::LevelsOnPins() const {
    if (board_.run.Connected() || (high_ & kRunLine) != 0) {
        return high_;
    }
    return static_cast<std::uint8_t>(high_ & ~kVppLine);
}

std::uint8_t ParallelPortTransport::RegisterValue(std::uint16_t offset) const {
    const std::uint8_t levels = LevelsOnPins();
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < outputCount_; ++i) {
        const OutputBit& bit = outputs_[i];
        if (bit.offset == offset && ((levels & bit.line) != 0) != bit.flipped) {
            value = static_cast<std::uint8_t>(value | bit.mask);
        }
    }
    return value;
}

void ParallelPortTransport::Drive(LineLevels levels) {
    high_ = static_cast<std::uint8_t>((high_ & ~levels.lines) | (levels.high & levels.lines));
    for (const std::uint16_t offset : kOutputRegisters) {
        bool carriesOne = false;
        const std::uint8_t driven = static_cast<std::uint8_t>(
            levels.lines | ((levels.lines & kRunLine) != 0 ? kVppLine : 0));
        for (std::size_t i = 0; i < outputCount_; ++i) {
            carriesOne =
                carriesOne || (outputs_[i].offset == offset && (driven & outputs_[i].line) != 0);
        }
        if (carriesOne) {
            port_.WriteByte(static_cast<std::uint16_t>(base_ + offset), RegisterValue(offset));
        }
    }
}

LineLevels ParallelPortTransport::ReadingLevels() const {
    const auto dataOut = static_cast<std::uint8_t>(board_.dataOutWhileReading ? kDataOutLine : 0);
    return {static_cast<std::uint8_t>(kDataOutLine | kDataDirectionLine),
            static_cast<std::uint8_t>(dataOut | kDataDirectionLine)};
}

bool ParallelPortTransport::ReadData() {
    const std::optional<PortPin> pin = ParallelPortPin(board_.dataIn.pin);
    if (!pin || pin->output) {
        return false;
    }
    const std::uint8_t status = port_.ReadByte(static_cast<std::uint16_t>(base_ + pin->offset));
    return (((status & pin->mask) != 0) != pin->pcInverted) != board_.dataIn.inverted;
}

}  // namespace tallis
