#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// How a board on an FTDI chip's bit-bang port reaches the target's
// programming lines: data only, so that another wiring is another row (and
// board files, board/BoardFile.h, describe any other). Bits are those of the
// bit-bang byte: D0 TXD, D1 RXD, D2 RTS, D3 CTS, D4 DTR, D5 DSR, D6 DCD, D7 RI
// on an FT232R; ADBUS0 to ADBUS7 (BDBUS0 to BDBUS7 on channel B) on the
// high-speed chips, in the same order.
namespace tallis::board {

// Whose pin names a board uses: the chip it was built for. Only the low eight
// pins of a channel take part in synchronous bit-bang.
enum class FtdiConnector : std::uint8_t { Ft232r, Ft232h, Ft2232h };

enum FtdiBit : std::uint8_t {
    kTxd = 0,
    kRxd = 1,
    kRts = 2,
    kCts = 3,
    kDtr = 4,
    kDsr = 5,
    kDcd = 6,
    kRi = 7,
};

// One target line on one bit. inverted: the board turns the level over (a
// transistor stage). An unconnected line has no bit.
struct FtdiPin {
    std::uint8_t bit = 0;
    bool connected = false;
    bool inverted = false;

    constexpr std::uint8_t Mask() const {
        return connected ? static_cast<std::uint8_t>(1U << bit) : std::uint8_t{0};
    }
    bool operator==(const FtdiPin&) const = default;
};

constexpr FtdiPin OnBit(FtdiBit bit, bool inverted = false) {
    return {.bit = bit, .connected = true, .inverted = inverted};
}

// Line levels are the target's, as in a parallel board row: clock high is PGC
// high, data out high lets PGD go high, run high lets MCLR up to VDD, VPP high
// puts the programming voltage on MCLR (with run high), PGM high asks for
// low-voltage programming.
struct FtdiWiring {
    std::string_view name;
    std::string_view description;
    FtdiPin clock;
    FtdiPin dataOut;
    // PGD as read: the bit of dataOut on a one-pin data line, which must then
    // turn into an input while the target drives it; another bit on a split
    // line, where the output reaches PGD through a series resistor.
    FtdiPin dataIn;
    FtdiPin run;
    FtdiPin vpp = {};
    FtdiPin pgm = {};
    // The chip whose pin names the board uses, and its channel: a board on
    // BDBUS needs channel B of an FT2232H.
    FtdiConnector connector = FtdiConnector::Ft232r;
    char channel = 'A';

    bool operator==(const FtdiWiring&) const = default;
    constexpr bool SplitData() const { return dataIn.bit != dataOut.bit; }
    // The bits driven while the host drives PGD.
    constexpr std::uint8_t OutputMask() const {
        return static_cast<std::uint8_t>(clock.Mask() | dataOut.Mask() | run.Mask() | vpp.Mask() |
                                         pgm.Mask());
    }
};

// High-voltage programming on an FT232R module: MCLR pulled down through a
// diode by RTS (the pin can only pull it low, never see VPP), PGC on DTR, PGD
// on RXD, and a VPP switch on TXD that puts VPP on MCLR while TXD is low: a
// pull-up keeps it off while the pins are inputs and while the chip is still
// a UART, whose TXD idles high.
inline constexpr FtdiWiring kFt232rHighVoltage{
    .name = "ft232r-hv",
    .description =
        "FT232R, VPP switch on TXD (on while low), MCLR pulled low by RTS, PGC DTR, "
        "PGD RXD",
    .clock = OnBit(kDtr),
    .dataOut = OnBit(kRxd),
    .dataIn = OnBit(kRxd),
    .run = OnBit(kRts),
    .vpp = OnBit(kTxd, true),
};

// The same with PGD split: RXD drives it through a 470 ohm resistor, CTS reads
// it directly, so no pin changes direction during a read.
inline constexpr FtdiWiring kFt232rHighVoltageSplit{
    .name = "ft232r-hv-split",
    .description = "ft232r-hv with PGD driven by RXD through 470 ohm and read on CTS",
    .clock = OnBit(kDtr),
    .dataOut = OnBit(kRxd),
    .dataIn = OnBit(kCts),
    .run = OnBit(kRts),
    .vpp = OnBit(kTxd, true),
};

// Low-voltage programming on an FT232R module, four wires as the common
// FTDI PIC programmers lay them out: MCLR driven by TXD (no VPP: the chip
// must have LVP set), PGC DTR, PGD RXD, PGM CTS with a pull-down that keeps
// PGM low while the pins are inputs or the chip is a UART.
inline constexpr FtdiWiring kFt232rLowVoltage{
    .name = "ft232r-lvp",
    .description =
        "FT232R, low-voltage programming: MCLR TXD, PGC DTR, PGD RXD, PGM CTS "
        "(10k pull-down), no VPP",
    .clock = OnBit(kDtr),
    .dataOut = OnBit(kRxd),
    .dataIn = OnBit(kRxd),
    .run = OnBit(kTxd),
    .pgm = OnBit(kCts),
};
// The high-voltage wirings on the high-speed chips: the same bits, so the
// same board, on ADBUS of an FT232H and of channel A of an FT2232H. Their
// TXD, RTS and DTR idle high too while they are UARTs.
constexpr FtdiWiring OnHighSpeedChip(const FtdiWiring& ft232r, std::string_view name,
                                     std::string_view description, FtdiConnector connector) {
    FtdiWiring wiring = ft232r;
    wiring.name = name;
    wiring.description = description;
    wiring.connector = connector;
    return wiring;
}

inline constexpr FtdiWiring kFt232hHighVoltage = OnHighSpeedChip(
    kFt232rHighVoltage, "ft232h-hv",
    "FT232H, VPP switch on ADBUS0 (on while low), MCLR pulled low by ADBUS2, PGC ADBUS4, "
    "PGD ADBUS1",
    FtdiConnector::Ft232h);
inline constexpr FtdiWiring kFt232hHighVoltageSplit =
    OnHighSpeedChip(kFt232rHighVoltageSplit, "ft232h-hv-split",
                    "ft232h-hv with PGD driven by ADBUS1 through 470 ohm and read on ADBUS3",
                    FtdiConnector::Ft232h);
inline constexpr FtdiWiring kFt2232hHighVoltage = OnHighSpeedChip(
    kFt232rHighVoltage, "ft2232h-hv",
    "FT2232H channel A, VPP switch on ADBUS0 (on while low), MCLR pulled low by ADBUS2, "
    "PGC ADBUS4, PGD ADBUS1",
    FtdiConnector::Ft2232h);
inline constexpr FtdiWiring kFt2232hHighVoltageSplit =
    OnHighSpeedChip(kFt232rHighVoltageSplit, "ft2232h-hv-split",
                    "ft2232h-hv with PGD driven by ADBUS1 through 470 ohm and read on ADBUS3",
                    FtdiConnector::Ft2232h);

// Every built-in FTDI wiring.
std::span<const FtdiWiring> FtdiWirings();
// The built-in FTDI wiring of that name, or null.
const FtdiWiring* FindFtdiWiring(std::string_view name);

}  // namespace tallis::board
