// The identify command's exact conversation on three kinds of board, read
// back at the connector with decoders written by hand from the boards'
// published pin tables (register bit and its meaning, as those tables give
// them), not from TALLIS's rows: lines through inverting buffers, lines on
// the control register (three of them inverted by the PC itself), and a board
// that switches the target's VDD.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "board/BoardWiring.h"
#include "device/Device.h"
#include "engine/ChipOperations.h"
#include "portio/AccessTrace.h"
#include "portio/RecordingDelayer.h"
#include "portio/RecordingPortIo.h"
#include "sim/SimulatedDevice.h"
#include "wire/ParallelPortTransport.h"
#include "wire/TargetLines.h"

namespace tallis {
namespace {

constexpr std::uint16_t kBase = 0x378;
constexpr std::uint16_t kData = kBase;
constexpr std::uint16_t kStatus = kBase + 1;
constexpr std::uint16_t kControl = kBase + 2;

// A line as a board's table gives it: which register bit, and whether the
// line is on (VPP on, VDD on, clock high, RB7 released or high) when the bit
// is 1.
struct Bit {
    std::uint16_t port = 0;  // 0: the board has no such line
    std::uint8_t mask = 0;
    bool onWhenSet = true;
};

struct HandDecoder {
    Bit vpp, vdd, clock, dataOut, dataIn;
};

// Tait 7405/7406: VPP D3, VDD D2 (both on when the bit is 1), clock and data
// out on D1 and D0 through the inverting buffer (on when the bit is 0), data
// in on nAck, status bit 6, inverted too.
constexpr HandDecoder kTait7406{{kData, 0x08, true},
                                {kData, 0x04, true},
                                {kData, 0x02, false},
                                {kData, 0x01, false},
                                {kStatus, 0x40, false}};
// Myke's El Cheapo: VPP on nInit (control bit 2, 1 = on), clock on nStrobe
// and data out on nSelectIn signed negative at the register (control bits 0
// and 3: high when the bit is 0), data in on Select (status bit 4). No VDD.
constexpr HandDecoder kElCheapo{{kControl, 0x04, true},
                                {},
                                {kControl, 0x01, false},
                                {kControl, 0x08, false},
                                {kStatus, 0x10, true}};
// Tait classic (7407 and PNP): VPP D3 and VDD D2 on when the bit is 0, clock
// D1, data out D0, data in nAck, all on when the bit is 1.
constexpr HandDecoder kTaitClassic{{kData, 0x08, false},
                                   {kData, 0x04, false},
                                   {kData, 0x02, true},
                                   {kData, 0x01, true},
                                   {kStatus, 0x40, true}};

// Reads the trace the way the target sees it: VDD and VPP switching, the
// commands and frames clocked in while VPP is on (a frame of a read command
// is the word the data-in pin gave), and every wait but the 60 us bit wait.
class ConnectorReader {
  public:
    explicit ConnectorReader(const HandDecoder& board) : board_(board) {}

    std::vector<std::string> Read(const std::vector<TraceEntry>& entries) {
        for (const TraceEntry& entry : entries) {
            if (entry.kind == AccessKind::Delay) {
                if (entry.value != 60) {
                    out_.push_back("W" + std::to_string(entry.value));
                }
            } else if (entry.kind == AccessKind::Read && entry.port == board_.dataIn.port) {
                readBits_.push_back(On(board_.dataIn, static_cast<std::uint8_t>(entry.value)));
            } else if (entry.kind == AccessKind::Write) {
                (entry.port == kData ? data_ : control_) = static_cast<std::uint8_t>(entry.value);
                Levels();
            }
        }
        return out_;
    }

  private:
    bool On(const Bit& bit, std::uint8_t value) const {
        return ((value & bit.mask) != 0) == bit.onWhenSet;
    }
    std::optional<bool> Level(const Bit& bit) const {
        const std::optional<std::uint8_t> value = bit.port == kData ? data_ : control_;
        if (bit.port == 0 || !value) {
            return std::nullopt;
        }
        return On(bit, *value);
    }

    // Programming mode is entered only with RB6 and RB7 low as VPP comes on.
    void Levels() {
        Switch("VDD", Level(board_.vdd), vdd_);
        const bool vppWasOn = vpp_ == true;
        Switch("VPP", Level(board_.vpp), vpp_);
        if (!vppWasOn && vpp_ == true) {
            out_.back() += std::string(" with RB6 ") +
                           (Level(board_.clock) == true ? "high" : "low") + ", RB7 " +
                           (Level(board_.dataOut) == true ? "released" : "held low");
        }
        const std::optional<bool> clock = Level(board_.clock);
        if (clock && clock_ && *clock_ && !*clock && vpp_ == true) {
            Bit(Level(board_.dataOut).value_or(false));
        }
        clock_ = clock;
    }

    void Switch(const char* name, std::optional<bool> level, std::optional<bool>& was) {
        if (level && level != was) {
            out_.push_back(std::string(name) + (*level ? " on" : " off"));
        }
        was = level;
    }

    void Bit(bool bit) {
        bits_ |= static_cast<std::uint32_t>(bit) << count_++;
        if (command_ < 0 && count_ == 6) {
            command_ = static_cast<int>(bits_);
            bits_ = 0;
            count_ = 0;
            readBits_.clear();
            if (command_ != 0 && command_ != 2 && command_ != 3 && command_ != 4) {
                out_.push_back("cmd" + std::to_string(command_));
                command_ = -1;
            }
        } else if (command_ >= 0 && count_ == 16) {
            std::uint32_t word = bits_ >> 1;
            if (command_ == 4) {
                word = 0;
                for (std::size_t i = 0; i < readBits_.size(); ++i) {
                    word |= static_cast<std::uint32_t>(readBits_[i]) << i;
                }
            }
            char text[32];
            std::snprintf(text, sizeof text, "cmd%d %04X", command_, unsigned(word & 0x3FFF));
            out_.push_back(text);
            command_ = -1;
            bits_ = 0;
            count_ = 0;
        }
    }

    const HandDecoder& board_;
    std::optional<std::uint8_t> data_;
    std::optional<std::uint8_t> control_;
    std::optional<bool> vdd_, vpp_, clock_;
    std::vector<std::string> out_;
    std::vector<bool> readBits_;
    int command_ = -1;
    std::uint32_t bits_ = 0;
    int count_ = 0;
};

// Identify on a simulated 877A wired as the board's row says, as tallis-cli
// runs it: the session, then the supply off.
std::vector<TraceEntry> IdentifyTrace(const board::BoardWiring& row) {
    sim::TargetOptions options = sim::TargetOptionsFor(*FindDevice("16f877a"));
    options.wiring = &row;
    sim::SimulatedTarget target(options);
    AccessTrace trace;
    RecordingPortIo port(target.Port(), trace);
    RecordingDelayer timer(trace, &target.Clock());
    ParallelPortTransport lines(port, timer, row);
    {
        ProgrammingSession session(lines, kClassicTiming);
        EXPECT_EQ(Identify(session, nullptr).outcome, OperationOutcome::Completed);
    }
    if (row.SwitchesTarget()) {
        target_lines::PowerOff(lines);
    }
    EXPECT_TRUE(target.Violations().Empty()) << target.Violations().Describe();
    return trace.Entries();
}

TEST(IdentifyAtTheConnector, PowersEntersReadsTheIdAndLeavesOnEveryKindOfBoard) {
    using Tokens = std::vector<std::string>;
    // The first write finds the target unpowered and VPP off; VDD comes on
    // with the clock and RB7 held low, VPP after it; the device ID at 0x2006
    // is read; VPP goes off before VDD.
    const Tokens enterReadLeave = {"W10000",    "VPP on with RB6 low, RB7 held low",
                                   "W2000",     "cmd0 3FFF",
                                   "cmd6",      "cmd6",
                                   "cmd6",      "cmd6",
                                   "cmd6",      "cmd6",
                                   "cmd4 0E21", "VPP off",
                                   "W2000",     "W2000"};
    Tokens withVdd = {"VDD off", "VPP off", "VDD on"};
    withVdd.insert(withVdd.end(), enterReadLeave.begin(), enterReadLeave.end());
    withVdd.push_back("VDD off");
    Tokens withoutVdd = {"VPP off"};
    withoutVdd.insert(withoutVdd.end(), enterReadLeave.begin(), enterReadLeave.end());

    const struct {
        const char* board;
        const HandDecoder* decoder;
        const Tokens* expected;
    } cases[] = {
        {"tait-7406", &kTait7406, &withVdd},
        {"el-cheapo", &kElCheapo, &withoutVdd},
        {"tait-classic", &kTaitClassic, &withVdd},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.board);
        const board::BoardWiring* row = board::FindBoard(c.board);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(ConnectorReader(*c.decoder).Read(IdentifyTrace(*row)), *c.expected);
    }
}

}  // namespace
}  // namespace tallis
