#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ftdi/BitBangChip.h"
#include "ftdi/BitBangDevice.h"

namespace tallis::ftdi {

// One FTDI device the system shows, for the port list.
struct FtdiListing {
    int index = 0;       // its place in the list, for ftdi:INDEX
    std::string type;    // "FT232R", "FT232H", ... or "FTDI" when not known
    std::string serial;  // empty when it has none or it could not be read
    std::string description;
    std::string problem;  // why its strings could not be read (e.g. permission)
};

// The FTDI devices of the default IDs. problem: why none could be listed.
std::vector<FtdiListing> ListFtdiDevices(std::string& problem);

// An opened FTDI device and the chip row it is. selector is what follows
// "ftdi:" on the command line: empty for the only device there is, a number
// for the n-th of the list, VID:PID in hexadecimal for other IDs, or a serial
// number; any of them followed by :A to :D for a channel of a two- or
// four-channel chip. Null with the problem, in words a user can act on.
struct OpenedFtdi {
    std::unique_ptr<BitBangDevice> device;
    const BitBangChip* chip = nullptr;
};
OpenedFtdi OpenFtdiDevice(std::string_view selector, std::string& problem);

// Whether this build can reach FTDI devices at all.
bool FtdiDevicesSupported();

}  // namespace tallis::ftdi
