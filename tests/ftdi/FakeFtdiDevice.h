// The one FTDI device that the fake libftdi (preloaded on Linux) and the fake
// ftd2xx.dll (under Wine) serve: an FT232R whose USB side, board and PIC are
// simulated in real time. Environment:
//   TALLIS_FAKE_FTDI_CHIP    the PIC (a device of --list-devices; 16f877a)
//   TALLIS_FAKE_FTDI_WIRING  the board's FTDI wiring (ft232r-hv)
//   TALLIS_FAKE_FTDI_SERIAL  the device's serial number (FT0TALLIS)
//   TALLIS_FAKE_FTDI_ABSENT  when set, no device is plugged in
//   TALLIS_FAKE_FTDI_STATE   the PIC's memory, loaded at open, saved at close
//   TALLIS_FAKE_FTDI_UNPLUG  the device is pulled out after this many bytes
//   TALLIS_FAKE_FTDI_REPORT  what the simulation saw, written at close:
//       "violations: N", "vpp: on|off", "outputs: 0xMM", "chip mode: NAME",
//       then one line per violation (FakeFtdiReport.h reads it)
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "sim/SimulatedFtdi.h"

namespace tallis::testing {

class FakeFtdiDevice {
  public:
    static constexpr const char* kDescription = "FT232R USB UART";
    static constexpr std::uint16_t kVendorId = 0x0403;
    static constexpr std::uint16_t kProductId = 0x6001;

    static bool Present();
    static std::string Serial();

    // False when it is already open (the second program is refused).
    static bool Open();
    // Saves the PIC's memory and the report; false when it was not open.
    static bool Close();
    static bool IsOpen();

    // The simulated chip's USB side; writes count towards the unplugging.
    static sim::SimulatedFtdi& Usb();
    static int Write(std::span<const std::uint8_t> bytes);
};

}  // namespace tallis::testing
