#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tallis::ftdi {

// The bit-bang modes the transport uses.
enum class BitMode : std::uint8_t {
    Reset = 0x00,        // the chip's own function (a UART) again
    SyncBitBang = 0x04,  // one sample per byte, taken just before the byte drives the pins
};

// The seam to one FTDI chip's bit-bang port: libftdi on Linux, ftd2xx.dll on
// Windows, a simulated chip in tests. Nothing above it knows which.
class BitBangDevice {
  public:
    virtual ~BitBangDevice() = default;

    // Queues bytes for the pins; returns how many the device took, or a
    // negative number when the transfer failed.
    virtual int Write(std::span<const std::uint8_t> bytes) = 0;
    // Samples that have come back, at most samples.size(): possibly none yet;
    // negative when the transfer failed.
    virtual int Read(std::span<std::uint8_t> samples) = 0;
    // The rate generator, set while the chip is not in a bit-bang mode.
    virtual bool SetBaudRate(std::uint32_t baud) = 0;
    // Bits set in outputMask drive their pins, the others are inputs.
    virtual bool SetBitMode(std::uint8_t outputMask, BitMode mode) = 0;
    // What the last failure was, in the words of the library below.
    virtual std::string LastError() const = 0;
};

}  // namespace tallis::ftdi
