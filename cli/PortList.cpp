#include "cli/PortList.h"

#include <string>

#include "ftdi/FtdiDevices.h"
#include "portio/ParallelPortList.h"

namespace tallis {

namespace {

std::string BaseText(const ParallelPortInfo& port) {
    if (!port.base) {
        return "base unknown";
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", *port.base);
    std::string base = std::string("base ") + text;
    if (*port.base == 0x378) {
        base += " (lpt1)";
    } else if (*port.base == 0x278) {
        base += " (lpt2)";
    }
    return base;
}

}  // namespace

void PrintParallelPorts(std::FILE* out, PortDriver driver) {
    std::vector<ParallelPortInfo> ports = ListParallelPorts(driver);
    if (ports.empty()) {
        std::fputs("no parallel ports found on this machine\n", out);
        return;
    }
    for (const ParallelPortInfo& port : ports) {
        std::fprintf(out, "%s  %s  %s\n", port.name.c_str(), BaseText(port).c_str(),
                     port.access.c_str());
    }
}

void PrintFtdiDevices(std::FILE* out) {
    if (!ftdi::FtdiDevicesSupported()) {
        return;
    }
    std::string problem;
    const std::vector<ftdi::FtdiListing> devices = ftdi::ListFtdiDevices(problem);
    if (!problem.empty()) {
        std::fprintf(out, "FTDI devices: %s\n", problem.c_str());
        return;
    }
    if (devices.empty()) {
        std::fputs("no FTDI devices found\n", out);
        return;
    }
    for (const ftdi::FtdiListing& device : devices) {
        const std::string port =
            "ftdi:" + (device.serial.empty() ? std::to_string(device.index) : device.serial);
        std::fprintf(out, "%s  %s  %s%s\n", port.c_str(), device.type.c_str(),
                     device.description.empty() ? "" : ("\"" + device.description + "\"").c_str(),
                     device.problem.empty() ? "" : ("  " + device.problem).c_str());
    }
}

}  // namespace tallis
