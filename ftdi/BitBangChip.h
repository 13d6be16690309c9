#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tallis::ftdi {

// What the transport assumes of a kind of FTDI chip: data, one row per kind.
struct BitBangChip {
    std::string_view name;
    // The bit-bang clock is at most this many ticks per baud of the rate
    // generator; each byte drives the pins for at least one tick. Waits are
    // counted at this upper bound, so that a slower or uneven clock only
    // lengthens them.
    std::uint32_t ticksPerBaud;
    // The baud rate the rate generator is set to.
    std::uint32_t baud;
    // Bytes written and not yet read back, at most: the chip stops taking
    // bytes while its to-host buffer is full.
    std::uint32_t maxUnread;
    // Samples in one USB packet: the chip sends a full one at once, a part
    // of one only when its latency timer runs out.
    std::uint32_t packetSamples;

    constexpr std::uint64_t TicksPerSecond() const { return std::uint64_t{ticksPerBaud} * baud; }
    // Bytes that keep the pins as they are for at least this long.
    constexpr std::uint64_t BytesFor(std::uint32_t microseconds) const {
        return (std::uint64_t{microseconds} * TicksPerSecond() + 999'999U) / 1'000'000U;
    }
};

// FT232R and the BM/2232C/D chips: the clock is 16 times the baud rate; 128
// bytes unread, the smaller of its two buffers. Full-speed USB carries less
// than a byte per microsecond each way, so a faster clock only makes every
// microsecond of waiting cost more bytes: at 62,500 baud a byte lasts 1 us,
// the timer's own unit. (At the rate generator's top speed, 3 MBaud, a byte
// lasts 1/48 us.)
inline constexpr BitBangChip kFt232r{
    .name = "FT232R", .ticksPerBaud = 16, .baud = 62'500, .maxUnread = 128, .packetSamples = 62};
// FT232H: 1 KiB buffers, 5 ticks per baud from the 12 MHz reference.
inline constexpr BitBangChip kFt232h{.name = "FT232H",
                                     .ticksPerBaud = 5,
                                     .baud = 1'000'000,
                                     .maxUnread = 1024,
                                     .packetSamples = 510};
// FT2232H, per channel: 4 KiB buffers.
inline constexpr BitBangChip kFt2232h{.name = "FT2232H",
                                      .ticksPerBaud = 5,
                                      .baud = 1'000'000,
                                      .maxUnread = 4096,
                                      .packetSamples = 510};

std::span<const BitBangChip> BitBangChips();
const BitBangChip* FindBitBangChip(std::string_view name);
// The row a listed device of this type ("FT232R", "FT4232H", "FT-X", ...)
// runs with: its own, the FT232H's for an FT4232H, the FT232R's for the
// others and for a type that is not known.
const BitBangChip& BitBangChipOfType(std::string_view type);

}  // namespace tallis::ftdi
