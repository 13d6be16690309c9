// The Windows parallel ports: the devices of the Ports class whose port name
// is LPTn, with the I/O base of their allocated resources.
#include <windows.h>
// windows.h first: the set-up and configuration headers rely on its types.
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <string>

#include "portio/ParallelPortList.h"
#include "portio/PortAccess.h"

namespace tallis {

namespace {

// The "PortName" value of the device's hardware key: "LPT1", "COM3", ...
std::string PortName(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    char name[64] = {};
    DWORD size = sizeof name - 1;
    DWORD type = 0;
    LONG result =
        RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(name) : std::string();
}

// The lowest I/O range that the system allocated to the device.
std::optional<std::uint16_t> IoBase(DEVINST device) {
    LOG_CONF config = 0;
    if (CM_Get_First_Log_Conf(&config, device, ALLOC_LOG_CONF) != CR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<std::uint16_t> base;
    RES_DES descriptor = 0;
    if (CM_Get_Next_Res_Des(&descriptor, config, ResType_IO, nullptr, 0) == CR_SUCCESS) {
        IO_DES io{};
        if (CM_Get_Res_Des_Data(descriptor, &io, sizeof io, 0) == CR_SUCCESS &&
            io.IOD_Alloc_Base <= 0xFFFF) {
            base = static_cast<std::uint16_t>(io.IOD_Alloc_Base);
        }
        CM_Free_Res_Des_Handle(descriptor);
    }
    CM_Free_Log_Conf_Handle(config);
    return base;
}

}  // namespace

std::vector<ParallelPortInfo> ListParallelPorts(PortDriver driver) {
    std::vector<ParallelPortInfo> ports;
    // One driver reaches every port.
    const std::string route = PortDriverRoute(driver);
    HDEVINFO devices = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return ports;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        std::string name = PortName(devices, device);
        if (name.rfind("LPT", 0) != 0) {
            continue;
        }
        ports.push_back({name, IoBase(device.DevInst), route});
    }
    SetupDiDestroyDeviceInfoList(devices);
    return ports;
}

}  // namespace tallis
