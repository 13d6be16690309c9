#include "wire/ParallelPortTransport.h"

#include <utility>

#include "wire/ParallelPortPins.h"

namespace tallis {

namespace {

// The output lines a board can have, with their line bits.
std::pair<std::uint8_t, board::PinLine> OutputLines(const board::BoardWiring& board,
                                                    std::size_t index) {
    switch (index) {
        case 0:
            return {kClockLine, board.clock};
        case 1:
            return {kDataOutLine, board.dataOut};
        case 2:
            return {kRunLine, board.run};
        case 3:
            return {kVppLine, board.vpp};
        case 4:
            return {kVddLine, board.vdd};
        case 5:
            return {kPgmLine, board.pgm};
        default:
            return {kDataDirectionLine, board.dataDirection};
    }
}
constexpr std::size_t kOutputLineCount = 7;

// The registers the writes go to, in this order when one change reaches both.
constexpr std::uint16_t kOutputRegisters[] = {kDataRegister, kControlRegister};

}  // namespace

ParallelPortTransport::ParallelPortTransport(PortIo& port, Delayer& timer,
                                             const board::BoardWiring& board, std::uint16_t base)
    : port_(port), timer_(timer), board_(board), base_(base) {}

std::uint8_t ParallelPortTransport::RegisterValue(std::uint16_t offset) const {
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < kOutputLineCount; ++i) {
        const auto [line, wiring] = OutputLines(board_, i);
        const std::optional<PortPin> pin = ParallelPortPin(wiring.pin);
        if (!pin || !pin->output || pin->offset != offset) {
            continue;
        }
        const bool level = (high_ & line) != 0;
        if ((level != wiring.inverted) != pin->pcInverted) {
            value = static_cast<std::uint8_t>(value | pin->mask);
        }
    }
    return value;
}

void ParallelPortTransport::Drive(LineLevels levels) {
    high_ = static_cast<std::uint8_t>((high_ & ~levels.lines) | (levels.high & levels.lines));
    for (const std::uint16_t offset : kOutputRegisters) {
        bool carriesOne = false;
        for (std::size_t i = 0; i < kOutputLineCount; ++i) {
            const auto [line, wiring] = OutputLines(board_, i);
            const std::optional<PortPin> pin = ParallelPortPin(wiring.pin);
            carriesOne = carriesOne || ((levels.lines & line) != 0 && pin && pin->output &&
                                        pin->offset == offset);
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
