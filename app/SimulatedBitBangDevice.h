#pragma once

#include <string>

#include "ftdi/BitBangDevice.h"
#include "sim/SimulatedFtdi.h"

namespace tallis {

// The simulated FTDI chip behind the transport's device seam, as libftdi
// would present a real one.
class SimulatedBitBangDevice final : public ftdi::BitBangDevice {
  public:
    explicit SimulatedBitBangDevice(sim::SimulatedFtdi& usb) : usb_(usb) {}

    int Write(std::span<const std::uint8_t> bytes) override { return usb_.Write(bytes); }
    int Read(std::span<std::uint8_t> samples) override { return usb_.Read(samples); }
    bool SetBaudRate(std::uint32_t baud) override { return usb_.SetBaudRate(baud); }
    bool SetBitMode(std::uint8_t outputMask, ftdi::BitMode mode) override {
        return usb_.SetBitMode(outputMask, static_cast<std::uint8_t>(mode));
    }
    std::string LastError() const override {
        return usb_.Unplugged() ? "the device is gone (unplugged)" : "";
    }

  private:
    sim::SimulatedFtdi& usb_;
};

}  // namespace tallis
