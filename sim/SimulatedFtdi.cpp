#include "sim/SimulatedFtdi.h"

#include <algorithm>
#include <utility>

namespace tallis::sim {

namespace {

constexpr std::uint8_t kUartIdleOutputs = 0x15;  // TXD, RTS and DTR idle high
constexpr std::uint32_t kStatusBytes = 2;

std::uint64_t DivideUp(std::uint64_t a, std::uint64_t b) {
    return (a + b - 1) / b;
}

}  // namespace

SimulatedFtdi::SimulatedFtdi(const FtdiUsbModel& model, FtdiBoard& board, SimClock& clock,
                             Charge charge)
    : model_(model), board_(board), clock_(clock), charge_(std::move(charge)) {
    ApplyMode(clock_.NowNs());
}

std::uint64_t SimulatedFtdi::TickPs() const {
    return 1'000'000'000'000ULL / (std::uint64_t{model_.ticksPerBaud} * baud_);
}

void SimulatedFtdi::Spend(std::uint64_t ns) {
    charge_(ns);
}

std::uint64_t SimulatedFtdi::NextByteAtPs() const {
    const std::uint64_t earliest = ticked_ ? lastTickPs_ + TickPs() : 0;
    return std::max(earliest, fromHost_.front().arrivalPs);
}

// Bytes go out one a tick, each after the sample it takes, while the host
// has room for samples.
void SimulatedFtdi::RunUntilNow() {
    const std::uint64_t now = NowPs();
    while (mode_ == kSyncBitBang && !fromHost_.empty() && toHost_.size() < model_.toHostBytes) {
        const std::uint64_t at = NextByteAtPs();
        if (at > now) {
            return;
        }
        toHost_.push_back(board_.Pins());
        latch_ = fromHost_.front().byte;
        fromHost_.pop_front();
        lastTickPs_ = at;
        ticked_ = true;
        ++bytesClocked_;
        board_.SetPins(latch_, outputs_, at / 1000U);
    }
}

int SimulatedFtdi::Write(std::span<const std::uint8_t> bytes) {
    if (unplugged_) {
        return -1;
    }
    Spend(DivideUp(bytes.size(), model_.packetBytes) * model_.packetNs);
    std::size_t taken = 0;
    const std::uint64_t deadline = clock_.NowNs() + kWriteTimeoutNs;
    while (taken < bytes.size()) {
        RunUntilNow();
        while (taken < bytes.size() && fromHost_.size() < model_.fromHostBytes) {
            fromHost_.push_back({bytes[taken++], NowPs()});
        }
        if (taken == bytes.size()) {
            break;
        }
        // Back-pressure: the write waits for the chip to take bytes, which it
        // does only while samples have room.
        if (toHost_.size() >= model_.toHostBytes || clock_.NowNs() >= deadline) {
            Spend(deadline > clock_.NowNs() ? deadline - clock_.NowNs() : 0);
            break;
        }
        const std::uint64_t at = NextByteAtPs();
        Spend(DivideUp(at > NowPs() ? at - NowPs() : 0, 1000) + 1);
    }
    return static_cast<int>(taken);
}

// The chip sends a packet when it is full or when its latency timer runs
// out: a read returns at once what fills whole packets; otherwise it waits
// for a packet to fill or for the latency timer, whichever comes first, and
// returns what there is then, which may be nothing.
int SimulatedFtdi::Read(std::span<std::uint8_t> samples) {
    if (unplugged_) {
        return -1;
    }
    RunUntilNow();
    const std::size_t payload = model_.packetBytes - kStatusBytes;
    if (toHost_.size() < payload) {
        const std::size_t missing = payload - toHost_.size();
        std::uint64_t waitNs = model_.roundTripNs;
        if (fromHost_.size() >= missing && mode_ == kSyncBitBang) {
            const std::uint64_t filledPs = NextByteAtPs() + (missing - 1) * TickPs();
            const std::uint64_t nowPs = NowPs();
            const std::uint64_t fillNs = DivideUp(filledPs > nowPs ? filledPs - nowPs : 0, 1000);
            waitNs = std::min(waitNs, fillNs);
        }
        Spend(waitNs);
        RunUntilNow();
    }
    // Whole packets, or what the latency timer sent.
    std::size_t count = std::min(samples.size(), toHost_.size());
    if (count >= payload) {
        count -= count % payload;
    }
    if (samplesStopped_) {
        count = 0;
    }
    Spend(DivideUp(std::max<std::size_t>(count, 1), payload) * model_.packetNs);
    std::copy_n(toHost_.begin(), count, samples.begin());
    toHost_.erase(toHost_.begin(), toHost_.begin() + static_cast<std::ptrdiff_t>(count));
    return static_cast<int>(count);
}

void SimulatedFtdi::Unplug() {
    unplugged_ = true;
    fromHost_.clear();
    board_.SetPins(latch_, 0, clock_.NowNs());
}

bool SimulatedFtdi::SetBaudRate(std::uint32_t baud) {
    if (unplugged_ || baud == 0) {
        return false;
    }
    Spend(model_.roundTripNs);
    RunUntilNow();
    baud_ = baud;
    return true;
}

bool SimulatedFtdi::SetBitMode(std::uint8_t outputs, std::uint8_t mode) {
    if (unplugged_) {
        return false;
    }
    Spend(model_.roundTripNs);
    RunUntilNow();
    mode_ = mode;
    outputs_ = outputs;
    ApplyMode(clock_.NowNs());
    return true;
}

void SimulatedFtdi::ApplyMode(std::uint64_t nowNs) {
    if (mode_ == kSyncBitBang) {
        board_.SetPins(latch_, outputs_, nowNs);
    } else {
        board_.SetPins(kUartIdleOutputs, kUartIdleOutputs, nowNs);
    }
}

}  // namespace tallis::sim
