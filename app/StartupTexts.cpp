#include "app/StartupTexts.h"

#include "portio/PortAccess.h"

namespace tallis {

std::string MissingDriverText() {
#ifdef _WIN32
    const std::string library(InpOutLibraryName());
    if (PortDriverTried() == PortDriver::InpOut) {
        return "Cannot open the port driver of " + library +
               " ! \r\rRun TALLIS once as administrator, so that InpOut can install its "
               "driver  \r\rIf Windows refuses the driver (Memory Integrity), see "
               "DRIVER-WINDOWS.txt";
    }
    std::string text = std::string(
                           "Cannot find zlportio.sys ! \r\rCopy this file in the same "
                           "directory  \r\r") +
                       "Or EXTRACT tallisv3.zip to Destination Folder";
    if (PortDriverTried() == PortDriver::Auto) {
        // Nothing was found: InpOut is the driver that 64-bit Windows loads.
        text += "\r\rOn 64-bit Windows: put " + library +
                " (InpOut) in the same directory and run TALLIS once as administrator";
    }
    return text;
#else
    return std::string(
               "Cannot open the parallel port ! \r\rAdd your user to the group lp (for "
               "/dev/parport0)  \r\r") +
           "Or run tallis as root";
#endif
}

}  // namespace tallis
