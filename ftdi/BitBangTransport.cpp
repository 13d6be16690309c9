#include "ftdi/BitBangTransport.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tallis::ftdi {

namespace {

bool PinLevel(const board::FtdiPin& pin, bool high) {
    return high != pin.inverted;
}

}  // namespace

BitBangTransport::BitBangTransport(BitBangDevice& device, Delayer& timer,
                                   const board::FtdiWiring& wiring, const BitBangChip& chip)
    : device_(device), timer_(timer), wiring_(wiring), chip_(chip) {}

BitBangTransport::~BitBangTransport() {
    Finish();
}

// The pins stay inputs until the safe levels are latched: a VPP switch that
// is on while its pin is low must never see a low output.
bool BitBangTransport::Start() {
    if (!device_.SetBaudRate(chip_.baud) || !device_.SetBitMode(0, BitMode::SyncBitBang)) {
        error_ = device_.LastError();
        return false;
    }
    started_ = true;
    Append(OutputByte());
    Flush();
    if (failed_ || !SetDirections()) {
        return false;
    }
    return true;
}

void BitBangTransport::Finish() {
    if (!started_) {
        return;
    }
    Flush();
    started_ = false;
    if (!failed_) {
        device_.SetBitMode(0, BitMode::SyncBitBang);
    }
}

std::uint8_t BitBangTransport::OutputByte() const {
    const std::pair<const board::FtdiPin&, std::uint8_t> lines[] = {
        {wiring_.clock, kClockLine}, {wiring_.dataOut, kDataOutLine}, {wiring_.run, kRunLine},
        {wiring_.vpp, kVppLine},     {wiring_.pgm, kPgmLine},
    };
    std::uint8_t byte = 0;
    for (const auto& [pin, line] : lines) {
        if (pin.connected && PinLevel(pin, (high_ & line) != 0)) {
            byte = static_cast<std::uint8_t>(byte | pin.Mask());
        }
    }
    return byte;
}

std::uint8_t BitBangTransport::OutputMask() const {
    const std::uint8_t mask = wiring_.OutputMask();
    return DataIsInput() ? static_cast<std::uint8_t>(mask & ~wiring_.dataOut.Mask()) : mask;
}

void BitBangTransport::Append(std::uint8_t byte, std::uint64_t count) {
    if (failed_ || !started_) {
        return;
    }
    queue_.insert(queue_.end(), count, byte);
}

// A pin changes direction only by a control transfer, outside the byte
// stream: everything queued goes out first.
bool BitBangTransport::SetDirections() {
    Flush();
    if (failed_ || !started_) {
        return false;
    }
    if (!device_.SetBitMode(OutputMask(), BitMode::SyncBitBang)) {
        Fail("cannot set the pins' directions: " + device_.LastError());
        return false;
    }
    return true;
}

// Towards reading, the data pin takes its released level before it lets go;
// back to writing, it drives again before the new level goes out.
void BitBangTransport::Drive(LineLevels levels) {
    high_ = static_cast<std::uint8_t>((high_ & ~levels.lines) | (levels.high & levels.lines));
    const bool wasInput = DataIsInput();
    if ((levels.lines & kDataDirectionLine) != 0) {
        reading_ = (levels.high & kDataDirectionLine) != 0;
    }
    heldTicks_ = 1;
    if (DataIsInput() == wasInput) {
        Append(OutputByte());
    } else if (DataIsInput()) {
        Append(OutputByte());
        SetDirections();
    } else if (SetDirections()) {
        Append(OutputByte());
    }
}

DataSample BitBangTransport::SampleData() {
    if (failed_ || !started_) {
        return {.known = true, .high = false};
    }
    const std::uint64_t position = streamBase_ + queue_.size();
    wanted_.insert(position);
    return {.position = position};
}

bool BitBangTransport::DataLevel(const DataSample& sample) {
    if (sample.known) {
        return sample.high;
    }
    if (wanted_.contains(sample.position)) {
        Flush();
    }
    const auto found = levels_.find(sample.position);
    if (found == levels_.end()) {
        return false;  // the samples were lost: the failure is counted
    }
    const bool high = found->second;
    levels_.erase(found);
    return high;
}

// The byte that set the levels holds them for a tick before the next one
// can change them: a wait counts that tick once.
void BitBangTransport::Wait(std::uint32_t microseconds) {
    if (microseconds >= kHostSleepFromUs) {
        Flush();
        timer_.Delay(microseconds);
        heldTicks_ = 0;
        return;
    }
    const std::uint64_t ticks = chip_.BytesFor(microseconds);
    const std::uint64_t counted = std::min(ticks, heldTicks_);
    heldTicks_ -= counted;
    Append(OutputByte(), ticks - counted);
}

// A sample asked for after the last queued byte needs one more byte to be
// taken: the same levels again. The levels are then held a little longer,
// to fill the last packet of samples: the chip sends a full one at once, a
// part of one only when its latency timer runs out.
void BitBangTransport::Flush() {
    if (failed_ || !started_) {
        return;
    }
    if (!wanted_.empty() && *wanted_.rbegin() >= streamBase_ + queue_.size()) {
        Append(OutputByte());
    }
    if (queue_.empty()) {
        return;
    }
    const std::size_t partial = queue_.size() % chip_.packetSamples;
    if (partial != 0) {
        Append(queue_.back(), chip_.packetSamples - partial);
    }
    Exchange();
}

void BitBangTransport::Exchange() {
    ++exchanges_;
    std::array<std::uint8_t, 4096> samples{};
    std::size_t written = 0;
    std::size_t read = 0;
    int emptyReads = 0;
    while (read < queue_.size()) {
        const std::size_t unread = written - read;
        if (written < queue_.size() && unread < chip_.maxUnread) {
            const std::size_t count =
                std::min<std::size_t>(chip_.maxUnread - unread, queue_.size() - written);
            const int taken = device_.Write({queue_.data() + written, count});
            if (taken <= 0) {
                return Fail("writing to the FTDI chip failed: " + device_.LastError());
            }
            written += static_cast<std::size_t>(taken);
            continue;
        }
        const int got = device_.Read({samples.data(), std::min(unread, samples.size())});
        if (got < 0) {
            return Fail("reading from the FTDI chip failed: " + device_.LastError());
        }
        if (got == 0) {
            if (++emptyReads > kMaxEmptyReads) {
                return Fail("the FTDI chip stopped sending its samples");
            }
            continue;
        }
        emptyReads = 0;
        TakeSamples(samples.data(), static_cast<std::size_t>(got), streamBase_ + read);
        read += static_cast<std::size_t>(got);
    }
    streamBase_ += queue_.size();
    queue_.clear();
}

void BitBangTransport::TakeSamples(const std::uint8_t* samples, std::size_t count,
                                   std::uint64_t firstPosition) {
    const auto first = wanted_.lower_bound(firstPosition);
    const auto last = wanted_.lower_bound(firstPosition + count);
    for (auto it = first; it != last; ++it) {
        const bool pinHigh = (samples[*it - firstPosition] & wiring_.dataIn.Mask()) != 0;
        levels_[*it] = PinLevel(wiring_.dataIn, pinHigh);
    }
    wanted_.erase(first, last);
}

// The pins go to inputs at once: the VPP switch turns off and the target's
// lines are let go, whatever was queued.
void BitBangTransport::Fail(std::string why) {
    failed_ = true;
    ++failures_;
    error_ = std::move(why);
    queue_.clear();
    wanted_.clear();
    device_.SetBitMode(0, BitMode::SyncBitBang);
}

}  // namespace tallis::ftdi
