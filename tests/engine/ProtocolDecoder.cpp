#include "tests/engine/ProtocolDecoder.h"

#include <cstdio>
#include <optional>

namespace tallis::test {

namespace {

constexpr std::uint32_t kBitWaitUs = 60;

std::string Hex2(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X", value & 0xFFU);
    return buffer;
}

std::string Hex4(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", value & 0xFFFFU);
    return buffer;
}

// Collects falling-edge bits into commands and frames.
class FrameAssembler {
  public:
    explicit FrameAssembler(std::vector<std::string>& out) : out_(out) {}

    void Bit(bool bit) {
        bits_ |= static_cast<std::uint32_t>(bit) << count_;
        ++count_;
        if (command_ < 0 && count_ == 6) {
            command_ = static_cast<int>(bits_);
            Reset();
            if (FrameLength() == 0) {
                out_.push_back("cmd" + std::to_string(command_));
                command_ = kNoCommand;
            }
        } else if (command_ >= 0 && count_ == FrameLength()) {
            bool isRead = command_ == 4 || command_ == 5;
            out_.push_back("cmd" + std::to_string(command_) + " " +
                           (isRead ? std::string("read") : Hex4(bits_ >> 1)));
            command_ = kNoCommand;
            Reset();
        }
    }

    bool Idle() const { return command_ < 0 && count_ == 0; }

  private:
    static constexpr int kNoCommand = -1;

    int FrameLength() const {
        switch (command_) {
            case 0:
            case 2:
            case 3:
            case 4:
            case 5:
                return 16;
            default:
                return 0;
        }
    }
    void Reset() {
        bits_ = 0;
        count_ = 0;
    }

    std::vector<std::string>& out_;
    int command_ = kNoCommand;
    std::uint32_t bits_ = 0;
    int count_ = 0;
};

}  // namespace

std::vector<std::string> DecodeProtocol(const std::vector<TraceEntry>& entries,
                                        std::uint16_t portBase) {
    std::vector<std::string> out;
    FrameAssembler frames(out);
    std::optional<std::uint8_t> pendingControl;
    std::uint8_t control = 0;
    bool clockHigh = false;
    auto flushControl = [&] {
        if (pendingControl) {
            out.push_back("C" + Hex2(*pendingControl));
            pendingControl.reset();
        }
    };
    for (const TraceEntry& entry : entries) {
        if (entry.kind == AccessKind::Delay) {
            if (entry.value != kBitWaitUs) {
                flushControl();
                out.push_back("W" + std::to_string(entry.value));
            }
            continue;
        }
        if (entry.kind == AccessKind::Read) {
            continue;
        }
        auto value = static_cast<std::uint8_t>(entry.value);
        if (entry.port == portBase + 2) {
            flushControl();
            pendingControl = value;
            control = value;
        } else if (entry.port == portBase && value == 0x0B) {
            pendingControl.reset();  // the bit of this clock cycle
            clockHigh = true;
        } else if (entry.port == portBase && value == 0x0A && clockHigh) {
            clockHigh = false;
            frames.Bit((control & 0x01) == 0);
        } else {
            flushControl();
            out.push_back((entry.port == portBase ? "D" : "?" + Hex4(entry.port) + ":") +
                          Hex2(value));
        }
    }
    flushControl();
    if (!frames.Idle()) {
        out.push_back("partial frame");
    }
    return out;
}

std::uint64_t SumOfWaits(const std::vector<TraceEntry>& entries) {
    std::uint64_t sum = 0;
    for (const TraceEntry& entry : entries) {
        if (entry.kind == AccessKind::Delay) {
            sum += entry.value;
        }
    }
    return sum;
}

std::vector<std::uint8_t> WritesTo(const std::vector<TraceEntry>& entries, std::uint16_t port) {
    std::vector<std::uint8_t> values;
    for (const TraceEntry& entry : entries) {
        if (entry.kind == AccessKind::Write && entry.port == port) {
            values.push_back(static_cast<std::uint8_t>(entry.value));
        }
    }
    return values;
}

std::vector<std::string> EnterProgramModeTokens() {
    return {"W2000", "C01", "D00", "W2000", "D02", "W2000", "D0A", "W2000", "C01", "W2000"};
}

std::vector<std::string> LeaveProgramModeTokens() {
    return {"D08", "W2000", "D00", "W2000", "D02"};
}

}  // namespace tallis::test
