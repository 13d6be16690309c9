#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "board/FtdiWiring.h"
#include "ftdi/BitBangChip.h"
#include "ftdi/BitBangDevice.h"
#include "timing/Delayer.h"
#include "wire/LineTransport.h"

namespace tallis::ftdi {

// The line transport of a board on an FTDI chip in synchronous bit-bang mode.
// Every line change is one byte and every short wait repeated bytes, appended
// to a queue; the queue goes out when a sample's level is needed, before a
// long wait (which the host then sleeps) and at Flush, with never more bytes
// unread than the chip can hold, reading the samples back as they come. The
// sample after a byte shows the pins as that byte left them, so a sample
// asked for here is taken from the byte that follows whatever is queued.
//
// A write that fails, or samples that stop coming, count as a failed access:
// the pins are made inputs at once (VPP off, the target's lines let go) and
// nothing more is sent.
class BitBangTransport final : public LineTransport {
  public:
    // A wait at least this long is slept by the host after a flush: a USB
    // round trip costs about as much as a millisecond of bytes.
    static constexpr std::uint32_t kHostSleepFromUs = 1000;
    // Reads that bring nothing, in a row, before the samples count as lost.
    static constexpr int kMaxEmptyReads = 200;
    // Word reads queued before their values are looked at: a few kilobytes,
    // one exchange.
    static constexpr std::uint32_t kReadBatch = 64;

    BitBangTransport(BitBangDevice& device, Delayer& timer, const board::FtdiWiring& wiring,
                     const BitBangChip& chip);
    ~BitBangTransport() override;
    BitBangTransport(const BitBangTransport&) = delete;
    BitBangTransport& operator=(const BitBangTransport&) = delete;

    // Sets the rate and synchronous bit-bang, with the target's lines as a
    // running target needs them (VPP off, MCLR released, PGD released) latched
    // before any pin becomes an output. False, with LastError, on a failure.
    bool Start();
    // Sends what is queued and makes every pin an input. Also on destruction.
    void Finish();

    void Drive(LineLevels levels) override;
    bool ReadData() override { return DataLevel(SampleData()); }
    DataSample SampleData() override;
    bool DataLevel(const DataSample& sample) override;
    void Wait(std::uint32_t microseconds) override;
    void Flush() override;
    std::uint32_t ReadBatch() const override { return kReadBatch; }
    std::uint64_t FailedAccesses() const override { return failures_; }
    // Low-voltage entry on a wiring that has a PGM pin and a VPP switch too
    // (without a VPP switch it is the only entry there is); it takes MCLR to VDD
    // through the run line.
    void UseLowVoltageEntry(bool on) { lowVoltage_ = on; }
    BoardEntry Entry() const override {
        const bool canEnter = wiring_.pgm.connected && wiring_.run.connected;
        return {.lowVoltage = canEnter && (lowVoltage_ || !wiring_.vpp.connected),
                .vpp = wiring_.vpp.connected};
    }

    const std::string& LastError() const { return error_; }
    // Exchanges with the device so far: each is at least one USB round trip.
    std::uint64_t Exchanges() const { return exchanges_; }
    std::uint64_t BytesSent() const { return streamBase_; }

  private:
    std::uint8_t OutputByte() const;
    std::uint8_t OutputMask() const;
    bool DataIsInput() const { return !wiring_.SplitData() && reading_; }
    void Append(std::uint8_t byte, std::uint64_t count = 1);
    bool SetDirections();
    void Exchange();
    void TakeSamples(const std::uint8_t* samples, std::size_t count, std::uint64_t firstPosition);
    void Fail(std::string why);

    BitBangDevice& device_;
    Delayer& timer_;
    const board::FtdiWiring& wiring_;
    const BitBangChip& chip_;
    bool started_ = false;
    bool lowVoltage_ = false;
    bool failed_ = false;
    std::uint64_t failures_ = 0;
    std::string error_;
    // Line levels as last driven; a running target's until then.
    std::uint8_t high_ = kRunLine | kDataOutLine;
    bool reading_ = false;  // the data direction line: the target drives PGD
    std::vector<std::uint8_t> queue_;
    std::uint64_t streamBase_ = 0;  // bytes sent before queue_[0]
    // Ticks the levels have already been held for since they last changed
    // that no wait has counted yet: the byte that set them lasts one.
    std::uint64_t heldTicks_ = 0;
    std::set<std::uint64_t> wanted_;
    std::unordered_map<std::uint64_t, bool> levels_;
    std::uint64_t exchanges_ = 0;
};

}  // namespace tallis::ftdi
