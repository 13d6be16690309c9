#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace tallis {

enum class AccessKind { Write, Read, Delay };

// One step of a port conversation. `value` is the byte written or read, or the
// number of microseconds asked of a Delay (port is 0 then).
struct TraceEntry {
    AccessKind kind = AccessKind::Write;
    std::uint16_t port = 0;
    std::uint32_t value = 0;

    bool operator==(const TraceEntry&) const = default;
};

// An ordered log of port accesses and waits, shared by RecordingPortIo and
// RecordingDelayer so that writes, reads and delays interleave as they happened.
//
// Text form, one line per entry: "W 037A 01", "R 0379 40" (upper-case hex, four
// digits of port and two of value) and "D 60" (decimal microseconds).
//
// Two modes: by default the entries are kept in memory for inspection. Built
// over a stream, each line is written to it as it happens and nothing is kept,
// so that a full-chip run with millions of accesses needs no memory for them.
class AccessTrace {
  public:
    AccessTrace() = default;
    explicit AccessTrace(std::ostream& sink) : sink_(&sink) {}

    void RecordWrite(std::uint16_t port, std::uint8_t value);
    void RecordRead(std::uint16_t port, std::uint8_t value);
    void RecordDelay(std::uint32_t microseconds);

    // The kept entries; always empty in streaming mode.
    const std::vector<TraceEntry>& Entries() const { return entries_; }
    // Every entry recorded so far, kept or streamed.
    std::size_t Count() const { return count_; }
    bool IsStreaming() const { return sink_ != nullptr; }

    // The kept entries as text, each line ending in '\n'.
    std::string Text() const;
    void Clear();

    static std::string FormatEntry(const TraceEntry& entry);

  private:
    void Record(const TraceEntry& entry);

    std::ostream* sink_ = nullptr;
    std::vector<TraceEntry> entries_;
    std::size_t count_ = 0;
};

}  // namespace tallis
