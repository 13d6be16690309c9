#include "portio/PcPortRanges.h"

#include <algorithm>
#include <iterator>

namespace tallis {

namespace {

// The fixed part of the PC's I/O map: the system board's ISA devices (IBM PC
// AT Technical Reference, "I/O Address Map"), the legacy disk, serial and
// display adapters at their standard addresses (the same map, and Linux's
// /proc/ioports), and the PCI configuration mechanism (PCI Local Bus,
// revision 3.0, section 3.2.2.3.2), whose 0xCF9 also resets the machine on
// Intel chipsets. Parallel-port bases (0x278, 0x378, 0x3BC) stay free.
constexpr PcPortRange kPcRanges[] = {
    {0x000, 0x0FF,
     "the system board (DMA, interrupt controllers, timer, keyboard controller, CMOS clock)"},
    {0x170, 0x177, "the secondary disk controller"},
    {0x1F0, 0x1F7, "the primary disk controller"},
    {0x2E8, 0x2EF, "serial port COM4"},
    {0x2F8, 0x2FF, "serial port COM2"},
    {0x376, 0x376, "the secondary disk controller"},
    {0x3B0, 0x3BB, "the display adapter"},
    {0x3C0, 0x3DF, "the display adapter"},
    {0x3E8, 0x3EF, "serial port COM3"},
    {0x3F0, 0x3F5, "the floppy disk controller"},
    {0x3F6, 0x3F6, "the primary disk controller"},
    {0x3F7, 0x3F7, "the floppy disk controller"},
    {0x3F8, 0x3FF, "serial port COM1"},
    {0x4D0, 0x4D1, "the interrupt controllers' trigger mode registers"},
    {0xCF8, 0xCFF, "PCI configuration (and the reset control register at 0xCF9)"},
};

constexpr unsigned kPortRegisterCount = 3;

}  // namespace

std::optional<PcPortRange> PcRangeTouchedBy(std::uint16_t base) {
    const unsigned last = unsigned{base} + kPortRegisterCount - 1;
    const auto* touched = std::find_if(
        std::begin(kPcRanges), std::end(kPcRanges),
        [&](const PcPortRange& range) { return base <= range.last && last >= range.first; });
    if (touched == std::end(kPcRanges)) {
        return std::nullopt;
    }
    return *touched;
}

}  // namespace tallis
