#include "portio/WindowsPortAccess.h"

#include "portio/DriverPath.h"

namespace tallis {

WindowsPortAccess::WindowsPortAccess(Win32Api& api) : api_(api), zlportio_(api), inpout_(api) {}

bool WindowsPortAccess::Startup(PortDriver choice) {
    Exit();
    tried_ = choice == PortDriver::Auto ? Resolve() : choice;
    if (tried_ == PortDriver::InpOut) {
        inpout_.Startup();
    } else if (tried_ == PortDriver::Zlportio) {
        zlportio_.Startup();
        zlportioRunning_ = true;
    }
    return Started();
}

void WindowsPortAccess::Exit() {
    inpout_.Exit();
    if (zlportioRunning_) {
        zlportio_.Exit();
        zlportioRunning_ = false;
    }
}

PortDriver WindowsPortAccess::Resolve() {
    if (!api_.FindLibrary(std::string(InpOutLibraryName()).c_str()).empty()) {
        return PortDriver::InpOut;
    }
    return ZlportioFilePresent() ? PortDriver::Zlportio : PortDriver::Auto;
}

bool WindowsPortAccess::ZlportioFilePresent() {
    return api_.FileExists(BuildDriverPath(api_.ModuleFileName(), kDriverServiceName).c_str());
}

std::string WindowsPortAccess::ProgramFolder() {
    return FolderOfPath(api_.ModuleFileName());
}

std::string WindowsPortAccess::ProgramName() {
    const std::string path = api_.ModuleFileName();
    const std::size_t delimiter = path.find_last_of("\\:");
    return delimiter == std::string::npos ? path : path.substr(delimiter + 1);
}

bool WindowsPortAccess::Started() const {
    switch (tried_) {
        case PortDriver::InpOut:
            return inpout_.Started();
        case PortDriver::Zlportio:
            return zlportioRunning_ && zlportio_.DriverStarted();
        case PortDriver::Auto:
            break;
    }
    return false;
}

std::string WindowsPortAccess::StartupFailure() {
    if (Started()) {
        return {};
    }
    const std::string library(InpOutLibraryName());
    switch (tried_) {
        case PortDriver::InpOut:
            return inpout_.StartupFailure();
        case PortDriver::Zlportio:
            return zlportio_.StartupFailure() + " (put zlportio.sys in the folder of " +
                   ProgramName() + " and run it as administrator)";
        case PortDriver::Auto:
            break;
    }
    return "no port driver found: put " + library + " (InpOut) in " + ProgramFolder() +
           " or on the DLL search path, or zlportio.sys (32-bit Windows only) in " +
           ProgramFolder() + ", and run " + ProgramName() +
           " once as administrator (see DRIVER-WINDOWS.txt)";
}

std::string WindowsPortAccess::Kind() const {
    if (!Started()) {
        return "none";
    }
    return tried_ == PortDriver::InpOut ? "inpout" : "driver";
}

std::string WindowsPortAccess::RouteFor(PortDriver choice) {
    const std::string library(InpOutLibraryName());
    switch (choice == PortDriver::Auto ? Resolve() : choice) {
        case PortDriver::InpOut: {
            const std::string found = api_.FindLibrary(library.c_str());
            return "through InpOut, " + (found.empty()
                                             ? library +
                                                   " (not found beside the program or on the DLL "
                                                   "search path)"
                                             : found);
        }
        case PortDriver::Zlportio:
            return "through the zlportio.sys driver beside " + ProgramName() +
                   " (as administrator)";
        case PortDriver::Auto:
            break;
    }
    return "no driver: neither " + library + " nor zlportio.sys found (see DRIVER-WINDOWS.txt)";
}

void WindowsPortAccess::WriteByte(std::uint16_t port, std::uint8_t value) {
    if (tried_ == PortDriver::InpOut) {
        inpout_.WriteByte(port, value);
    } else if (zlportioRunning_) {
        zlportio_.PortWriteByte(port, value);
    }
}

std::uint8_t WindowsPortAccess::ReadByte(std::uint16_t port) {
    if (tried_ == PortDriver::InpOut) {
        return inpout_.ReadByte(port);
    }
    return zlportioRunning_ ? zlportio_.PortReadByte(port) : 0xFF;
}

std::uint64_t WindowsPortAccess::FailedAccesses() const {
    return tried_ == PortDriver::Zlportio ? zlportio_.FailedAccesses() : 0;
}

}  // namespace tallis
