#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string_view>

#include "sim/FtdiBoard.h"
#include "sim/SimClock.h"

namespace tallis::sim {

// The simulation's own figures for the USB side of an FTDI chip.
struct FtdiUsbModel {
    std::string_view name;
    std::uint32_t ticksPerBaud;   // the bit-bang clock, in ticks per baud
    std::uint32_t fromHostBytes;  // buffer of bytes waiting to drive the pins
    std::uint32_t toHostBytes;    // buffer of samples waiting for the host
    std::uint32_t packetBytes;    // a USB packet, 2 status bytes included on the way in
    std::uint64_t packetNs;       // bus time of one full packet
    // A read that waits for a packet that is not full: the latency timer and
    // the frame it ends in (full speed), or a micro-frame (high speed).
    std::uint64_t roundTripNs;
};

// FT232R: full speed, 64-byte packets (19 to a 1 ms frame), 1 ms latency
// timer; the sources disagree on which buffer is 128 bytes and which 256, so
// both are taken as 128.
inline constexpr FtdiUsbModel kFt232rUsb{.name = "FT232R",
                                         .ticksPerBaud = 16,
                                         .fromHostBytes = 128,
                                         .toHostBytes = 128,
                                         .packetBytes = 64,
                                         .packetNs = 52'632,
                                         .roundTripNs = 1'000'000};
// FT232H: high speed, 512-byte packets, 1 KiB buffers, 125 us micro-frames.
inline constexpr FtdiUsbModel kFt232hUsb{.name = "FT232H",
                                         .ticksPerBaud = 5,
                                         .fromHostBytes = 1024,
                                         .toHostBytes = 1024,
                                         .packetBytes = 512,
                                         .packetNs = 12'000,
                                         .roundTripNs = 125'000};
// FT2232H, one channel: high speed as the FT232H, 4 KiB buffers a channel.
inline constexpr FtdiUsbModel kFt2232hUsb{.name = "FT2232H",
                                          .ticksPerBaud = 5,
                                          .fromHostBytes = 4096,
                                          .toHostBytes = 4096,
                                          .packetBytes = 512,
                                          .packetNs = 12'000,
                                          .roundTripNs = 125'000};

// One FTDI chip in synchronous bit-bang mode, seen from its USB side, driving
// an FtdiBoard. Each byte the host writes waits in the from-host buffer; the
// chip takes one per tick of its bit-bang clock, and only while the to-host
// buffer has room for the sample it takes first; then the byte drives the
// pins. Every call costs the time the bus would take, through charge (which
// advances a virtual clock or sleeps).
class SimulatedFtdi {
  public:
    using Charge = std::function<void(std::uint64_t ns)>;
    // The default write timeout of the USB libraries.
    static constexpr std::uint64_t kWriteTimeoutNs = 5'000'000'000;

    SimulatedFtdi(const FtdiUsbModel& model, FtdiBoard& board, SimClock& clock, Charge charge);

    int Write(std::span<const std::uint8_t> bytes);
    int Read(std::span<std::uint8_t> samples);
    bool SetBaudRate(std::uint32_t baud);
    // mode 0: the chip's UART again (TXD, RTS and DTR driven high); 4:
    // synchronous bit-bang with these outputs.
    bool SetBitMode(std::uint8_t outputs, std::uint8_t mode);
    const FtdiUsbModel& Model() const { return model_; }

    // Faults: the device unplugged (every call fails from now on, and its
    // pins let go: the board's pull-ups take them high); samples no longer
    // sent (reads bring nothing).
    void Unplug();
    void StopSamples() { samplesStopped_ = true; }

    bool Unplugged() const { return unplugged_; }
    bool SyncBitBang() const { return mode_ == kSyncBitBang; }
    std::uint64_t BytesClocked() const { return bytesClocked_; }

  private:
    static constexpr std::uint8_t kSyncBitBang = 0x04;
    struct Queued {
        std::uint8_t byte;
        std::uint64_t arrivalPs;
    };

    std::uint64_t TickPs() const;
    std::uint64_t NowPs() { return clock_.NowNs() * 1000U; }
    void RunUntilNow();
    // When the next byte would drive the pins, if it could go at all.
    std::uint64_t NextByteAtPs() const;
    void Spend(std::uint64_t ns);
    void ApplyMode(std::uint64_t nowNs);

    const FtdiUsbModel& model_;
    FtdiBoard& board_;
    SimClock& clock_;
    Charge charge_;
    std::uint32_t baud_ = 9600;
    std::uint8_t mode_ = 0;
    std::uint8_t outputs_ = 0;
    std::uint8_t latch_ = 0;
    std::deque<Queued> fromHost_;
    std::deque<std::uint8_t> toHost_;
    std::uint64_t lastTickPs_ = 0;
    bool ticked_ = false;
    std::uint64_t bytesClocked_ = 0;
    bool unplugged_ = false;
    bool samplesStopped_ = false;
};

}  // namespace tallis::sim
