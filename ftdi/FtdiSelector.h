#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ftdi/FtdiDevices.h"

namespace tallis::ftdi {

// What follows "ftdi:" on the command line: nothing for the only device there
// is, a number for the n-th of the list, VID:PID in hexadecimal for other
// IDs, or a serial number; any of them followed by :A to :D for a channel of
// a two- or four-channel chip.
struct FtdiSelector {
    enum class By { Only, Index, Ids, Serial } by = By::Only;
    int index = 0;
    int vid = 0;
    int pid = 0;
    std::string serial;
    int channel = 0;  // 0: the chip's default; 1 to 4: channel A to D
};

FtdiSelector ParseFtdiSelector(std::string_view text);

// The place in devices of the one the selector names (an index names the
// device whose listing carries it), or nothing with the problem in words a
// user can act on. For Ids, devices holds only those of these IDs.
std::optional<std::size_t> ChooseFtdiDevice(const FtdiSelector& selector,
                                            std::span<const FtdiListing> devices,
                                            std::string& problem);

}  // namespace tallis::ftdi
