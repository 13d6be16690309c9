#pragma once

#include <string>

#include "ftdi/FtdiDevices.h"

// What the desktop's Options show of an FTDI device, and the selector (what
// follows "ftdi:") that names it again when it is chosen.
namespace tallis {

// Its serial number, else its place in the list.
std::string FtdiDeviceSelector(const ftdi::FtdiListing& device);
// "FT232R A12345 - description", with why its strings could not be read.
std::string FtdiDeviceText(const ftdi::FtdiListing& device);

}  // namespace tallis
