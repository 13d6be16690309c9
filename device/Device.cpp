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

// PIC16F88x (DS41287 registers 4-1 and 4-2). CONFIG1 (bit 13 down to 0):
//   DEBUG LVP FCMEN IESO BOREN1 BOREN0 CPD CP MCLRE /PWRTE WDTE FOSC2 FOSC1 FOSC0
// CONFIG2: WRT1 WRT0 BOR4V at bits 10:8, the rest read 1.
constexpr ConfigChoice kFosc88x[] = {
    {0x7, "RC oscillator, CLKOUT on RA6"},
    {0x6, "RC oscillator, RA6 is I/O"},
    {0x5, "internal oscillator, CLKOUT on RA6, RA7 is I/O"},
    {0x4, "internal oscillator, RA6 and RA7 are I/O"},
    {0x3, "external clock on RA7, RA6 is I/O"},
    {0x2, "HS oscillator"},
    {0x1, "XT oscillator"},
    {0x0, "LP oscillator"},
};
constexpr ConfigChoice kWdte88x[] = {
    {0x8, "watchdog timer on"},
    {0x0, "watchdog timer off (the program may enable it)"},
};
constexpr ConfigChoice kPwrte88x[] = {{0x10, "power-up timer off"}, {0x0, "power-up timer on"}};
constexpr ConfigChoice kMclre88x[] = {
    {0x20, "RE3 is MCLR"},
    {0x0, "RE3 is a digital input, MCLR tied to VDD inside"},
};
constexpr ConfigChoice kCp88x[] = {
    {0x40, "code protection off"},
    {0x0, "all program memory code-protected"},
};
constexpr ConfigChoice kCpd88x[] = {
    {0x80, "data EEPROM not protected"},
    {0x0, "data EEPROM code-protected"},
};
constexpr ConfigChoice kBoren88x[] = {
    {0x300, "brown-out reset on"},
    {0x200, "brown-out reset on while running, off in sleep"},
    {0x100, "brown-out reset controlled by SBOREN"},
    {0x000, "brown-out reset off"},
};
constexpr ConfigChoice kIeso88x[] = {
    {0x400, "internal/external switch-over on"},
    {0x0, "internal/external switch-over off"},
};
constexpr ConfigChoice kFcmen88x[] = {
    {0x800, "fail-safe clock monitor on"},
    {0x0, "fail-safe clock monitor off"},
};
constexpr ConfigChoice kLvp88x[] = {
    {0x1000, "low-voltage programming on (RB3 is PGM)"},
    {0x0, "low-voltage programming off (RB3 is digital I/O)"},
};
constexpr ConfigChoice kDebug88x[] = {
    {0x2000, "in-circuit debugger off (RB6 and RB7 are digital I/O)"},
    {0x0, "in-circuit debugger on (RB6 and RB7 belong to the debugger)"},
};
constexpr ConfigField k88xConfig1[] = {
    {"FOSC", 0x0007, kFosc88x},   {"WDTE", 0x0008, kWdte88x},   {"PWRTE", 0x0010, kPwrte88x},
    {"MCLRE", 0x0020, kMclre88x}, {"CP", 0x0040, kCp88x},       {"CPD", 0x0080, kCpd88x},
    {"BOREN", 0x0300, kBoren88x}, {"IESO", 0x0400, kIeso88x},   {"FCMEN", 0x0800, kFcmen88x},
    {"LVP", 0x1000, kLvp88x},     {"DEBUG", 0x2000, kDebug88x},
};
constexpr ConfigChoice kBor4v88x[] = {
    {0x100, "brown-out reset at 4.0 V"},
    {0x000, "brown-out reset at 2.1 V"},
};
// Write protection limits only the program's own writes, never programming.
constexpr ConfigChoice kWrt88x8K[] = {
    {0x600, "write protection off"},
    {0x400, "0x0000-0x00FF write-protected"},
    {0x200, "0x0000-0x07FF write-protected"},
    {0x000, "0x0000-0x0FFF write-protected"},
};
constexpr ConfigChoice kWrt88x4K[] = {
    {0x600, "write protection off"},
    {0x400, "0x0000-0x00FF write-protected"},
    {0x200, "0x0000-0x03FF write-protected"},
    {0x000, "0x0000-0x07FF write-protected"},
};
// The 882's values as its programming document gives them; other sources
// shift them by one (00 protects 0x0000-0x03FF), so the meaning names both.
constexpr ConfigChoice kWrt882[] = {
    {0x600, "write protection off"},
    {0x400, "0x0000-0x00FF write-protected (not a valid value by some sources)"},
    {0x200, "0x0000-0x03FF write-protected (0x0000-0x00FF by some sources)"},
    {0x000, "0x0000-0x07FF write-protected (0x0000-0x03FF by some sources)"},
};
constexpr ConfigField k88xConfig2of8K[] = {
    {"BOR4V", 0x0100, kBor4v88x},
    {"WRT", 0x0600, kWrt88x8K},
};
constexpr ConfigField k88xConfig2of4K[] = {
    {"BOR4V", 0x0100, kBor4v88x},
    {"WRT", 0x0600, kWrt88x4K},
};
constexpr ConfigField k88xConfig2of882[] = {
    {"BOR4V", 0x0100, kBor4v88x},
    {"WRT", 0x0600, kWrt882},
};

// DS41287 register 4-3: the calibration word's trims.
constexpr ConfigField k88xCalibration[] = {
    {"BOR", 0x0007, {}},
    {"POR", 0x0038, {}},
    {"FCAL", 0x1FC0, {}},
};

// The 88x's map: IDs, the device ID, two configuration words and the
// calibration word at 0x2009 (0x2004 and 0x2005 are reserved); the EEPROM at
// 0x2100 in a HEX file like the others'.
template <std::uint16_t kProgramWords, std::uint16_t kEepromBytes>
constexpr MemoryRegion k88xRegions[] = {
    {RegionKind::Program, 0x0000, kProgramWords, 14, 0x0000},
    {RegionKind::Id, 0x2000, 4, 14, 0x4000},
    {RegionKind::DeviceId, 0x2006, 1, 14, 0x400C},
    {RegionKind::Config, 0x2007, 2, 14, 0x400E},
    {RegionKind::Calibration, 0x2009, 1, 14, 0x4012},
    {RegionKind::Eeprom, 0x0000, kEepromBytes, 8, 0x4200},
};

// PIC16F627A/628A/648A (DS41196 register 3-1), bit 13 down to 0:
//   CP - - - - CPD LVP BOREN MCLRE FOSC2 /PWRTE WDTE FOSC1 FOSC0
constexpr ConfigChoice kFosc62xA[] = {
    {0x13, "RC oscillator, CLKOUT on RA6"},
    {0x12, "RC oscillator, RA6 is I/O"},
    {0x11, "internal oscillator, CLKOUT on RA6, RA7 is I/O"},
    {0x10, "internal oscillator, RA6 and RA7 are I/O"},
    {0x03, "external clock on RA7, RA6 is I/O"},
    {0x02, "HS oscillator"},
    {0x01, "XT oscillator"},
    {0x00, "LP oscillator"},
};
constexpr ConfigChoice kMclre62xA[] = {
    {0x20, "RA5 is MCLR"},
    {0x0, "RA5 is a digital input, MCLR tied to VDD inside"},
};
constexpr ConfigChoice kLvp62xA[] = {
    {0x80, "low-voltage programming on (RB4 is PGM)"},
    {0x0, "low-voltage programming off (RB4 is digital I/O)"},
};
constexpr ConfigField k62xAConfig[] = {
    {"FOSC", 0x0013, kFosc62xA},   {"WDTE", 0x0004, kWdte},      {"PWRTE", 0x0008, kPwrte},
    {"MCLRE", 0x0020, kMclre62xA}, {"BOREN", 0x0040, kBrownOut}, {"LVP", 0x0080, kLvp62xA},
    {"CPD", 0x0100, kCpd},         {"CP", 0x2000, kCp87xA},
};

// The 62xA's map: IDs, the device ID and one configuration word.
template <std::uint16_t kProgramWords, std::uint16_t kEepromBytes>
constexpr MemoryRegion k62xARegions[] = {
    {RegionKind::Program, 0x0000, kProgramWords, 14, 0x0000},
    {RegionKind::Id, 0x2000, 4, 14, 0x4000},
    {RegionKind::DeviceId, 0x2006, 1, 14, 0x400C},
    {RegionKind::Config, 0x2007, 1, 14, 0x400E},
    {RegionKind::Eeprom, 0x0000, kEepromBytes, 8, 0x4200},
};

// PIC16F84A (DS30262 register 3-1): CP in ten copies over bits 13:4, then
// /PWRTE, WDTE, FOSC1:0. All copies are meant to be equal; any copy at 0
// protects the whole of program memory.
constexpr ConfigChoice kCp84A[] = {
    {0x3FF0, "code protection off"},
    {0x0000, "all program memory code-protected (the data EEPROM cannot be written)"},
};
constexpr ConfigField k84AConfig[] = {
    {"FOSC", 0x0003, kFosc},
    {"WDTE", 0x0004, kWdte},
    {"PWRTE", 0x0008, kPwrte},
    {"CP", 0x3FF0, kCp84A},
};

// PIC16F87/88 (DS39607 registers 4-1 and 4-2). CONFIG1, bit 13 down to 0:
//   CP CCPMX DEBUG WRT1 WRT0 CPD LVP BOREN MCLRE FOSC2 /PWRTEN WDTEN FOSC1 FOSC0
// with FOSC, MCLRE, LVP (RB3 is PGM), WRT (4K words) and CP as on the 62xA
// and 87xA. CONFIG2: IESO and FCMEN at bits 1:0, the rest unimplemented.
constexpr ConfigChoice kCcpmx8788[] = {{0x1000, "CCP1 on RB0"}, {0x0, "CCP1 on RB3"}};
constexpr ConfigField k8788Config1[] = {
    {"FOSC", 0x0013, kFosc62xA},   {"WDTE", 0x0004, kWdte},      {"PWRTE", 0x0008, kPwrte},
    {"MCLRE", 0x0020, kMclre62xA}, {"BOREN", 0x0040, kBrownOut}, {"LVP", 0x0080, kLvp},
    {"CPD", 0x0100, kCpd},         {"WRT", 0x0600, kWrt87xA8K},  {"DEBUG", 0x0800, kDebug},
    {"CCPMX", 0x1000, kCcpmx8788}, {"CP", 0x2000, kCp87xA},
};
constexpr ConfigChoice kFcmen8788[] = {
    {0x1, "fail-safe clock monitor on"},
    {0x0, "fail-safe clock monitor off"},
};
constexpr ConfigChoice kIeso8788[] = {
    {0x2, "internal/external switch-over on"},
    {0x0, "internal/external switch-over off"},
};
constexpr ConfigField k8788Config2[] = {
    {"FCMEN", 0x0001, kFcmen8788},
    {"IESO", 0x0002, kIeso8788},
};

// The 87/88's map (DS39607 figure 3-1): IDs, the device ID and two
// configuration words (0x2004-0x2005 are reserved); no calibration word.
constexpr MemoryRegion k8788Regions[] = {
    {RegionKind::Program, 0x0000, 4096, 14, 0x0000}, {RegionKind::Id, 0x2000, 4, 14, 0x4000},
    {RegionKind::DeviceId, 0x2006, 1, 14, 0x400C},   {RegionKind::Config, 0x2007, 2, 14, 0x400E},
    {RegionKind::Eeprom, 0x0000, 256, 8, 0x4200},
};

// What a HEX file may hold before the chip is known: the largest program
// memory and EEPROM, the 87x's debug vector and the 88x's second
// configuration word and calibration word.
constexpr MemoryRegion kWidestRegions[] = {
    {RegionKind::Program, 0x0000, 8192, 14, 0x0000},
    {RegionKind::Id, 0x2000, 4, 14, 0x4000},
    {RegionKind::DebugVector, 0x2004, 1, 14, 0x4008},
    {RegionKind::DeviceId, 0x2006, 1, 14, 0x400C},
    {RegionKind::Config, 0x2007, 2, 14, 0x400E},
    {RegionKind::Calibration, 0x2009, 1, 14, 0x4012},
    {RegionKind::Eeprom, 0x0000, 256, 8, 0x4200},
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
constexpr std::string_view k88x = "88x";
constexpr std::uint16_t kImplemented88x = 0x3FFF;
constexpr std::uint16_t kImplemented88xConfig2 = 0x0700;
constexpr std::uint16_t kIdMask88x = 0x3FE0;
constexpr std::string_view k62xA = "62xA";
constexpr std::uint16_t kImplemented62xA = 0x21FF;  // bits 12:9 read 1
constexpr std::uint16_t kIdMask62xA = 0x3FE0;
constexpr std::string_view k84A = "84A";
constexpr std::uint16_t kImplemented84A = 0x3FFF;
constexpr std::uint16_t kIdMask84A = 0x3FE0;
constexpr std::string_view k8788 = "87/88";
constexpr std::uint16_t kImplemented8788 = 0x3FFF;
constexpr std::uint16_t kImplemented8788Config2 = 0x0003;
// Four revision bits by DS39607 table 4-1, five by established programmers:
// the five-bit mask identifies the chip under both.
constexpr std::uint16_t kIdMask8788 = 0x3FE0;

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
    {"PIC16F882", "16f882", k88x, 0x2000, kIdMask88x, 2048, 128, 4, kImplemented88x, k88xConfig1,
     k88xRegions<2048, 128>, kNotTested, k88xConfig2of882, kImplemented88xConfig2, k88xCalibration},
    {"PIC16F883", "16f883", k88x, 0x2020, kIdMask88x, 4096, 256, 4, kImplemented88x, k88xConfig1,
     k88xRegions<4096, 256>, kNotTested, k88xConfig2of4K, kImplemented88xConfig2, k88xCalibration},
    {"PIC16F884", "16f884", k88x, 0x2040, kIdMask88x, 4096, 256, 4, kImplemented88x, k88xConfig1,
     k88xRegions<4096, 256>, kNotTested, k88xConfig2of4K, kImplemented88xConfig2, k88xCalibration},
    {"PIC16F886", "16f886", k88x, 0x2060, kIdMask88x, 8192, 256, 8, kImplemented88x, k88xConfig1,
     k88xRegions<8192, 256>, kNotTested, k88xConfig2of8K, kImplemented88xConfig2, k88xCalibration},
    {"PIC16F887", "16f887", k88x, 0x2080, kIdMask88x, 8192, 256, 8, kImplemented88x, k88xConfig1,
     k88xRegions<8192, 256>, kNotTested, k88xConfig2of8K, kImplemented88xConfig2, k88xCalibration},
    {"PIC16F627A", "16f627a", k62xA, 0x1040, kIdMask62xA, 1024, 128, 1, kImplemented62xA,
     k62xAConfig, k62xARegions<1024, 128>, kNotTested},
    {"PIC16F628A", "16f628a", k62xA, 0x1060, kIdMask62xA, 2048, 128, 1, kImplemented62xA,
     k62xAConfig, k62xARegions<2048, 128>, kNotTested},
    {"PIC16F648A", "16f648a", k62xA, 0x1100, kIdMask62xA, 4096, 256, 1, kImplemented62xA,
     k62xAConfig, k62xARegions<4096, 256>, kNotTested},
    // The same map as the 62xA's (DS30262 figure 2-1), with 64 EEPROM bytes.
    {"PIC16F84A", "16f84a", k84A, 0x0560, kIdMask84A, 1024, 64, 1, kImplemented84A, k84AConfig,
     k62xARegions<1024, 64>, kNotTested},
    {"PIC16F87", "16f87", k8788, 0x0720, kIdMask8788, 4096, 256, 4, kImplemented8788, k8788Config1,
     k8788Regions, kNotTested, k8788Config2, kImplemented8788Config2},
    {"PIC16F88", "16f88", k8788, 0x0760, kIdMask8788, 4096, 256, 4, kImplemented8788, k8788Config1,
     k8788Regions, kNotTested, k8788Config2, kImplemented8788Config2},
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
    return kWidestRegions;
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
