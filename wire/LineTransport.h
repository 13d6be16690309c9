#pragma once

#include <cstdint>

namespace tallis {

// The target's programming lines, as bits of a line set.
enum TargetLine : std::uint8_t {
    kClockLine = 0x01,          // RB6
    kDataOutLine = 0x02,        // RB7 as the programmer drives it; high releases it
    kRunLine = 0x04,            // low holds the target in reset
    kVppLine = 0x08,            // high puts the programming voltage on MCLR (with run high)
    kVddLine = 0x10,            // the target's supply, on boards that switch it
    kPgmLine = 0x20,            // low-voltage programming entry, on boards that have it
    kDataDirectionLine = 0x40,  // high turns the board's data buffer towards the PC
    kConnectLine = 0x80,  // high joins the target's lines to the board, where it can isolate them
};

// Some lines and the level each of them is driven to: a line in `lines` is
// high when its bit in `high` is set.
struct LineLevels {
    std::uint8_t lines = 0;
    std::uint8_t high = 0;

    bool operator==(const LineLevels&) const = default;
};

// The data line sampled at one point of what was sent: a transport that reads
// at once knows the level already; one that batches knows it once the samples
// of that point have come back.
struct DataSample {
    std::uint64_t position = 0;  // the transport's own count, when not yet known
    bool known = false;
    bool high = false;
};

// How the board brings the chip into programming mode.
struct BoardEntry {
    bool lowVoltage = false;      // PGM raised, then MCLR to VDD: no VPP
    bool switchesSupply = false;  // the board switches VDD, so VPP can come before it
    bool vpp = true;              // the board can put VPP on MCLR at all
};

// The line transport seam: the wire reaches the target only through these
// calls. A transport may run each call at once (a parallel port) or queue
// line changes and waits and send them together (a USB bit-bang adapter, for
// which every round trip costs about a millisecond): a read returns only once
// everything before it has reached the target, and what is queued after the
// last read goes out at Flush at the latest.
class LineTransport {
  public:
    virtual ~LineTransport() = default;

    // Drives the lines to their levels. Every port register (or output byte)
    // that carries one of them is written, even when no level changes: a
    // repeated write still takes its time on the bus.
    virtual void Drive(LineLevels levels) = 0;
    // The data line (RB7) as the target sees it now: true when high.
    virtual bool ReadData() = 0;
    // Samples the data line after everything sent so far, without waiting for
    // the answer; DataLevel gives it. A batching transport answers many
    // samples with one round trip.
    virtual DataSample SampleData() { return {.known = true, .high = ReadData()}; }
    // The level of a sample: sends what is still queued if it is not yet known.
    virtual bool DataLevel(const DataSample& sample) { return sample.high; }
    // The data lines while the target drives RB7: the data-out level the
    // board needs then, and its buffer (if it has a direction line) turned
    // towards the PC.
    virtual LineLevels ReadingLevels() const {
        return {static_cast<std::uint8_t>(kDataOutLine | kDataDirectionLine),
                static_cast<std::uint8_t>(kDataOutLine | kDataDirectionLine)};
    }
    virtual void Wait(std::uint32_t microseconds) = 0;
    // How many word reads are worth queuing before their values are looked
    // at: 1 where a sample is known at once, more where each look costs a
    // round trip.
    virtual std::uint32_t ReadBatch() const { return 1; }
    // Sends whatever is still queued.
    virtual void Flush() {}
    virtual BoardEntry Entry() const { return {}; }
    // Accesses the system refused so far: what was read or written meanwhile
    // means nothing.
    virtual std::uint64_t FailedAccesses() const { return 0; }
};

}  // namespace tallis
