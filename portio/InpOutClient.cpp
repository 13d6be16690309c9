#include "portio/InpOutClient.h"

#include "portio/DriverPath.h"
#include "portio/PortDriver.h"

namespace tallis {

namespace {

template <typename Function>
Function Take(Win32Api& api, Win32Api::Handle library, const char* name) {
    return reinterpret_cast<Function>(api.GetProcAddress(library, name));
}

}  // namespace

InpOutClient::InpOutClient(Win32Api& api) : api_(api) {}

InpOutClient::~InpOutClient() {
    Exit();
}

void InpOutClient::Startup() {
    Exit();
    const std::string name(InpOutLibraryName());
    library_ = api_.LoadLibraryA(name.c_str());
    libraryFound_ = library_ != Win32Api::kNullHandle;
    if (!libraryFound_) {
        const std::uint32_t error = api_.GetLastError();
        startupFailure_ = LibraryNotLoadedText(name, "InpOut", api_.FindLibrary(name.c_str()),
                                               error, api_.ModuleFileName());
        return;
    }
    startupFailure_ = Unusable();
    if (!startupFailure_.empty()) {
        Exit();
        return;
    }
    started_ = true;
}

std::string InpOutClient::Unusable() {
    const std::string name(InpOutLibraryName());
    if (!TakePortFunctions()) {
        return name +
               " has neither DlPortWritePortUchar and DlPortReadPortUchar nor Out32 and Inp32: "
               "it is not InpOut";
    }
    if (!DriverOpen()) {
        return name +
               " could not install or open its driver: the first run needs an administrator (run "
               "the program once with \"Run as administrator\"), and Windows' Memory Integrity "
               "(Core isolation) can refuse InpOut's older signed driver (see DRIVER-WINDOWS.txt)";
    }
    return {};
}

bool InpOutClient::TakePortFunctions() {
    writeUchar_ = Take<inpout::WritePortUchar>(api_, library_, "DlPortWritePortUchar");
    readUchar_ = Take<inpout::ReadPortUchar>(api_, library_, "DlPortReadPortUchar");
    if (writeUchar_ != nullptr && readUchar_ != nullptr) {
        return true;
    }
    writeUchar_ = nullptr;
    readUchar_ = nullptr;
    out32_ = Take<inpout::Out32>(api_, library_, "Out32");
    inp32_ = Take<inpout::Inp32>(api_, library_, "Inp32");
    return out32_ != nullptr && inp32_ != nullptr;
}

// Versions without IsInpOutDriverOpen install their driver when they are
// loaded and have no way to say whether it worked.
bool InpOutClient::DriverOpen() {
    const auto isOpen = Take<inpout::IsDriverOpen>(api_, library_, "IsInpOutDriverOpen");
    return isOpen == nullptr || isOpen() != 0;
}

void InpOutClient::Exit() {
    started_ = false;
    writeUchar_ = nullptr;
    readUchar_ = nullptr;
    out32_ = nullptr;
    inp32_ = nullptr;
    if (library_ != Win32Api::kNullHandle) {
        api_.FreeLibrary(library_);
        library_ = Win32Api::kNullHandle;
    }
}

void InpOutClient::WriteByte(std::uint16_t port, std::uint8_t value) {
    if (!started_) {
        return;
    }
    if (writeUchar_ != nullptr) {
        writeUchar_(port, value);
    } else {
        out32_(static_cast<short>(port), static_cast<short>(value));
    }
}

std::uint8_t InpOutClient::ReadByte(std::uint16_t port) {
    if (!started_) {
        return 0xFF;
    }
    if (readUchar_ != nullptr) {
        return readUchar_(port);
    }
    return static_cast<std::uint8_t>(inp32_(static_cast<short>(port)) & 0xFF);
}

}  // namespace tallis
