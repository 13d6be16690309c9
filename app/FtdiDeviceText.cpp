#include "app/FtdiDeviceText.h"

namespace tallis {

std::string FtdiDeviceSelector(const ftdi::FtdiListing& device) {
    return device.serial.empty() ? std::to_string(device.index) : device.serial;
}

std::string FtdiDeviceText(const ftdi::FtdiListing& device) {
    std::string text = device.type + " " + FtdiDeviceSelector(device);
    if (!device.description.empty()) {
        text += " - " + device.description;
    }
    if (!device.problem.empty()) {
        text += " (" + device.problem + ")";
    }
    return text;
}

}  // namespace tallis
