#include "cli/PortList.h"

#include <string>

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

}  // namespace tallis
