#include "device/Device.h"

#include <algorithm>
#include <array>

namespace tallis {

namespace {

// Configuration fields (bit 13 down to 0):
//   87x:  CP1 CP0 DEBUG - WRT CPD LVP BODEN CP1 CP0 /PWRTE WDTE FOSC1 FOSC0
//   87xA: CP - DEBUG WRT1 WRT0 CPD LVP BOREN - - /PWRTE WDTE FOSC1 FOSC0
// Protected ranges depend on the size of program memory, hence 4K and 8K sets.

constexpr ConfigChoice kFosc[] = {
    {0x3, "RC oscillator"},
    {0x2, "HS oscillator"},
    {0x1, "XT oscillator"},
    {0x0, "LP oscillator"},
};
constexpr ConfigChoice kWdte[] = {{0x4, "watchdog timer on"}, {0x0, "watchdog timer off"}};
constexpr ConfigChoice kPwrte[] = {{0x8, "power-up timer off"}, {0x0, "power-up timer on"}};
constexpr ConfigChoice kBrownOut[] = {{0x40, "brown-out reset on"}, {0x0, "brown-out reset off"}};
constexpr ConfigChoice kLvp[] = {
    {0x80, "low-voltage programming on (RB3 is PGM)"},
    {0x0, "low-voltage programming off (RB3 is digital I/O)"},
};
constexpr ConfigChoice kCpd[] = {
    {0x100, "data EEPROM not protected"},
    {0x0, "data EEPROM code-protected"},
};
constexpr ConfigChoice kDebug[] = {
    {0x800, "in-circuit debugger off (RB6 and RB7 are digital I/O)"},
    {0x0, "in-circuit debugger on (RB6 and RB7 belong to the debugger)"},
};

// 87x: CP1:CP0 twice (bits 13:12 and 5:4); both copies must hold the same value.
constexpr ConfigChoice kCp87x8K[] = {
    {0x3030, "code protection off"},
    {0x2020, "0x1F00-0x1FFF code-protected"},
    {0x1010, "0x1000-0x1FFF code-protected"},
    {0x0000, "all program memory code-protected"},
};
constexpr ConfigChoice kCp87x4K[] = {
    {0x3030, "code protection off"},
    {0x2020, "0x0F00-0x0FFF code-protected"},
    {0x1010, "0x0800-0x0FFF code-protected"},
    {0x0000, "all program memory code-protected"},
};
constexpr ConfigChoice kWrt87x[] = {
    {0x200, "unprotected program memory may be written by the program"},
    {0x0, "program memory may not be written by the program"},
};

constexpr ConfigChoice kCp87xA[] = {
    {0x2000, "code protection off"},
    {0x0000, "all program memory code-protected"},
};
constexpr ConfigChoice kWrt87xA8K[] = {
    {0x600, "write protection off"},
    {0x400, "0x0000-0x00FF write-protected"},
    {0x200, "0x0000-0x07FF write-protected"},
    {0x000, "0x0000-0x0FFF write-protected"},
};
constexpr ConfigChoice kWrt87xA4K[] = {
    {0x600, "write protection off"},
    {0x400, "0x0000-0x00FF write-protected"},
    {0x200, "0x0000-0x03FF write-protected"},
    {0x000, "0x0000-0x07FF write-protected"},
};

constexpr ConfigField k87x8K[] = {
    {"FOSC", 0x0003, kFosc},  {"WDTE", 0x0004, kWdte},      {"PWRTE", 0x0008, kPwrte},
    {"CP", 0x3030, kCp87x8K}, {"BODEN", 0x0040, kBrownOut}, {"LVP", 0x0080, kLvp},
    {"CPD", 0x0100, kCpd},    {"WRT", 0x0200, kWrt87x},     {"DEBUG", 0x0800, kDebug},
};
constexpr ConfigField k87x4K[] = {
    {"FOSC", 0x0003, kFosc},  {"WDTE", 0x0004, kWdte},      {"PWRTE", 0x0008, kPwrte},
    {"CP", 0x3030, kCp87x4K}, {"BODEN", 0x0040, kBrownOut}, {"LVP", 0x0080, kLvp},
    {"CPD", 0x0100, kCpd},    {"WRT", 0x0200, kWrt87x},     {"DEBUG", 0x0800, kDebug},
};
constexpr ConfigField k87xA8K[] = {
    {"FOSC", 0x0003, kFosc},      {"WDTE", 0x0004, kWdte},   {"PWRTE", 0x0008, kPwrte},
    {"BOREN", 0x0040, kBrownOut}, {"LVP", 0x0080, kLvp},     {"CPD", 0x0100, kCpd},
    {"WRT", 0x0600, kWrt87xA8K},  {"DEBUG", 0x0800, kDebug}, {"CP", 0x2000, kCp87xA},
};
constexpr ConfigField k87xA4K[] = {
    {"FOSC", 0x0003, kFosc},      {"WDTE", 0x0004, kWdte},   {"PWRTE", 0x0008, kPwrte},
    {"BOREN", 0x0040, kBrownOut}, {"LVP", 0x0080, kLvp},     {"CPD", 0x0100, kCpd},
    {"WRT", 0x0600, kWrt87xA4K},  {"DEBUG", 0x0800, kDebug}, {"CP", 0x2000, kCp87xA},
};

// The memory map of both families; only the sizes differ. In a HEX file each
// location takes two bytes at twice its address, the EEPROM's at 0x4200 up.
template <std::uint16_t kProgramWords, std::uint16_t kEepromBytes>
constexpr MemoryRegion kRegions[] = {
    {RegionKind::Program, 0x0000, kProgramWords, 14, 0x0000},
    {RegionKind::Id, 0x2000, 4, 14, 0x4000},
    {RegionKind::DebugVector, 0x2004, 1, 14, 0x4008},
    {RegionKind::DeviceId, 0x2006, 1, 14, 0x400C},
    {RegionKind::Config, 0x2007, 1, 14, 0x400E},
    {RegionKind::Eeprom, 0x0000, kEepromBytes, 8, 0x4200},
};
constexpr std::span<const MemoryRegion> k4KRegions = kRegions<4096, 128>;
constexpr std::span<const MemoryRegion> k8KRegions = kRegions<8192, 256>;

constexpr std::uint16_t kImplemented87x = 0x3BFF;   // bit 10 reads 1
constexpr std::uint16_t kImplemented87xA = 0x2FCF;  // bits 12, 5 and 4 read 1
constexpr std::uint16_t kIdMask87x = 0x3FE0;
constexpr std::uint16_t kIdMask87xA = 0x3FF0;
// testedOnHardware is where a self-test report from a real board is recorded:
// 1 << op for each DeviceOperation whose steps passed there (a report that
// passed every step confirms all eight; the classic run's erase is Erase's).
constexpr std::uint32_t kNotTested = 0;

constexpr std::string_view k87x = "87x";
constexpr std::string_view k87xA = "87xA";

constexpr Device kDevices[] = {
    {"PIC16F873", "16f873", k87x, 0x0960, kIdMask87x, 4096, 128, 1, kImplemented87x, k87x4K,
     k4KRegions, kNotTested},
    {"PIC16F874", "16f874", k87x, 0x0920, kIdMask87x, 4096, 128, 1, kImplemented87x, k87x4K,
     k4KRegions, kNotTested},
    {"PIC16F876", "16f876", k87x, 0x09E0, kIdMask87x, 8192, 256, 1, kImplemented87x, k87x8K,
     k8KRegions, kNotTested},
    {"PIC16F877", "16f877", k87x, 0x09A0, kIdMask87x, 8192, 256, 1, kImplemented87x, k87x8K,
     k8KRegions, kNotTested},
    {"PIC16F873A", "16f873a", k87xA, 0x0E40, kIdMask87xA, 4096, 128, 8, kImplemented87xA, k87xA4K,
     k4KRegions, kNotTested},
    {"PIC16F874A", "16f874a", k87xA, 0x0E60, kIdMask87xA, 4096, 128, 8, kImplemented87xA, k87xA4K,
     k4KRegions, kNotTested},
    {"PIC16F876A", "16f876a", k87xA, 0x0E00, kIdMask87xA, 8192, 256, 8, kImplemented87xA, k87xA8K,
     k8KRegions, kNotTested},
    {"PIC16F877A", "16f877a", k87xA, 0x0E20, kIdMask87xA, 8192, 256, 8, kImplemented87xA, k87xA8K,
     k8KRegions, kNotTested},
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return Lower(x) == Lower(y); });
}

}  // namespace

std::string_view DeviceOperationName(DeviceOperation op) {
    static constexpr std::array<std::string_view, std::size(kDeviceOperations)> kNames = {
        "identify", "read", "verify", "blank-check", "write", "program", "erase", "reset",
    };
    return kNames[static_cast<std::size_t>(op)];
}

std::uint16_t Device::ConfigMask(std::string_view field) const {
    const auto found = std::ranges::find(configFields, field, &ConfigField::name);
    return found == configFields.end() ? std::uint16_t{0} : found->mask;
}

std::span<const MemoryRegion> WidestLayout() {
    return k8KRegions;
}

std::span<const Device> Devices() {
    return kDevices;
}

std::string DeviceOptionList() {
    std::string list;
    for (const Device& device : kDevices) {
        list += (list.empty() ? "" : ", ") + std::string(device.option);
    }
    return list;
}

const Device* FindDevice(std::string_view nameOrOption) {
    const auto found = std::ranges::find_if(kDevices, [&](const Device& device) {
        return EqualIgnoringCase(device.name, nameOrOption) ||
               EqualIgnoringCase(device.option, nameOrOption);
    });
    return found == std::end(kDevices) ? nullptr : found;
}

const Device* DeviceWithId(std::uint16_t idWord) {
    const auto found = std::ranges::find_if(
        kDevices, [&](const Device& device) { return device.Matches(idWord); });
    return found == std::end(kDevices) ? nullptr : found;
}

}  // namespace tallis
