#include "ftdi/FtdiDevices.h"

namespace tallis::ftdi {

namespace {

constexpr const char* kNoLibrary = "this build of TALLIS has no FTDI library";

}  // namespace

std::vector<FtdiListing> ListFtdiDevices(std::string& problem) {
    problem = kNoLibrary;
    return {};
}

OpenedFtdi OpenFtdiDevice(std::string_view, std::string& problem) {
    problem = kNoLibrary;
    return {};
}

bool FtdiDevicesSupported() {
    return false;
}

}  // namespace tallis::ftdi
