#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "device/Device.h"
#include "engine/ProgrammingSession.h"
#include "wire/TimingProfile.h"

namespace tallis {

// One write or erase cycle of a family: the chip's minimum from its
// programming document and the wait the standard profile has always given it.
struct CycleTime {
    double minimumUs;
    std::uint32_t standardUs;
    bool externallyTimed;  // ended by a command from the host, not timed by the chip
};

// The wait a profile gives a cycle: the standard one, or the minimum with the
// profile's margin for the cycle's kind, in whole microseconds.
std::uint32_t CycleWait(const TimingProfile& timing, const CycleTime& cycle);

// Program memory [from, to) that a configuration word code-protects: it reads
// as 0 through the programming interface.
struct ProtectedRange {
    std::uint16_t from = 0;
    std::uint16_t to = 0;
};

// The programming algorithm shared by the chips of a family. A device row
// names its family by key (Device::family); sizes, the write latch and the
// configuration fields come from the row, the sequences and the cycle
// minimums from the family. Adding a family is one such class, its simulated
// model and its rows.
class ChipFamily {
  public:
    virtual ~ChipFamily() = default;

    virtual std::string_view Key() const = 0;  // as device rows name it: "87xA"
    // The chip may run without MCLR (internal oscillator, MCLR pin an input)
    // and must then see VPP before VDD: boards that switch VDD enter that way.
    virtual bool NeedsVppBeforeVdd() const { return false; }

    // Erases program memory, the ID locations, the debug vector, the data
    // EEPROM and the configuration word. Ends at address 0.
    virtual void Erase(ProgrammingSession& session, const Device& device) const = 0;
    // Writes one latch row (device.latchWords words from a multiple of it)
    // into erased memory.
    virtual void WriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                 std::span<const std::uint16_t> words) const = 0;
    // A configuration word (address from the row's configuration region),
    // written after an erase.
    virtual void WriteConfigWord(ProgrammingSession& session, std::uint16_t address,
                                 std::uint16_t word) const = 0;
    virtual ProtectedRange ProtectedProgram(const Device& device,
                                            std::uint16_t configWord) const = 0;

    // The same row erased and written in one internally timed cycle: whatever
    // a program-only cycle left in it is replaced.
    virtual void RewriteProgramRow(ProgrammingSession& session, std::uint16_t rowStart,
                                   std::span<const std::uint16_t> words) const;
    // An ID location or the debug vector, written after an erase; by default
    // erased and written in one cycle.
    virtual void WriteConfigSpaceWord(ProgrammingSession& session, std::uint16_t address,
                                      std::uint16_t word) const;
    virtual void WriteEepromByte(ProgrammingSession& session, std::uint16_t address,
                                 std::uint8_t value) const;
    // The erase that takes the factory calibration words as well, for a file
    // that brings its own; the plain erase on a family without such words.
    virtual void EraseWithCalibration(ProgrammingSession& session, const Device& device) const;
    // Whether every erase takes the factory calibration (the row's calibration
    // words and configuration calibration bits) with it, so that the
    // operations must read it before and write it back after.
    virtual bool EraseTakesCalibration() const { return false; }
    // The row's data-protection field (CPD) at 0: the data EEPROM reads as 0.
    bool EepromProtected(const Device& device, std::uint16_t configWord) const;

  protected:
    // Begin Erase/Programming: erases what the latches address and writes it.
    virtual CycleTime EraseProgramCycle() const = 0;
    void EraseAndProgram(ProgrammingSession& session) const;
    // Loads the row's latches and leaves the address in the row, where the
    // write cycle that follows takes it.
    static void LoadRow(ProgrammingSession& session, std::uint16_t rowStart,
                        std::span<const std::uint16_t> words);
};

// The family class a device row names. Throws std::logic_error for a key that
// no class has (a row added without its family).
const ChipFamily& FamilyOf(const Device& device);
// Every family class, for tests that walk them all.
std::span<const ChipFamily* const> Families();

}  // namespace tallis
