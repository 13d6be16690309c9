#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "sim/ChipMemory.h"
#include "sim/SimClock.h"
#include "sim/Violation.h"

namespace tallis::sim {

// Level of the MCLR pin as the interface board makes it.
enum class MclrLevel { Low, High, Vpp };

// What the chip is doing, from the programmer's point of view.
enum class ChipMode {
    Reset,        // MCLR low
    Running,      // MCLR high without VPP: the chip runs its program
    VppRejected,  // VPP applied without a valid entry: the chip ignores the clock
    Programming,  // programming mode: commands and data frames are taken
};

const char* ChipModeName(ChipMode mode);

// How the 87xA's configuration space is latched. DS39589B's flowcharts load
// the four IDs at their own addresses and write them with one cycle, as if
// configuration space went through the eight row latches like program memory;
// a configuration-word write used in the field (the word given with Load
// Configuration, the address stepped to 0x2007, command 8) works only if it has
// one latch. The sources do not settle which, so a host must be right under both.
enum class ConfigLatches : std::uint8_t {
    Single,  // one latch: the word last loaded is written at the address
    Row,     // the row latches: a cycle writes the eight words at the address & ~7
};

// What the 877's data-EEPROM erase (Load Data for Data Memory, 1, 7, 8) does
// when given with the address at 0x2007, where 1, 7, 8 otherwise disable code
// protection. No source settles it; a program used in the field relies on it
// erasing the EEPROM.
enum class EepromEraseAtConfig : std::uint8_t {
    Erases,   // the load decides: the data EEPROM is erased
    Ignores,  // the address decides: another code-protect-disable erase
};

// What VPP does to a chip that runs on its internal oscillator with MCLR as
// an input once it has run since VDD came on. The programming documents ask
// for VPP before VDD then, and a field report of a VDD-first programmer has
// such a chip answer nothing but 0; none says it can never enter.
enum class VppAfterRun : std::uint8_t {
    Refused,  // no programming mode (the default: the strict reading)
    Enters,   // programming mode all the same, noted as a hazard
};

// The readings the model takes where the sources leave the chip open, and
// the conditions it runs under.
struct ChipSettings {
    ConfigLatches configLatches = ConfigLatches::Single;
    EepromEraseAtConfig eepromEraseAtConfig = EepromEraseAtConfig::Erases;
    double vddVolts = 5.0;  // the target's supply
    VppAfterRun vppAfterRun = VppAfterRun::Refused;
};

// Names on the command line: "single", "row"; "erases", "ignores".
std::optional<ConfigLatches> ConfigLatchesNamed(std::string_view name);
std::optional<EepromEraseAtConfig> EepromEraseAtConfigNamed(std::string_view name);
// "refused", "enters".
std::optional<VppAfterRun> VppAfterRunNamed(std::string_view name);
// A supply voltage as a command line gives it, "3.3": 2.0 to 5.5 V, the
// range the devices run in.
std::optional<double> SupplyVoltageNamed(std::string_view text);

// A PIC16F87x, PIC16F87xA, PIC16F88x, PIC16F62xA, PIC16F84A, PIC16F87/88 or
// PIC12F629/675 seen through its programming pins (MCLR, RB6, RB7, or their
// GP equivalents). It checks the host's timing against the chip's minimums
// and records every violation in the log. Time comes with every pin change; write and
// erase cycles complete lazily, when the chip is next looked at.
class PicChip {
  public:
    // Sizes, device ID and configuration bits come from the device row; the
    // command codes and minimum times are the chip's own.
    PicChip(const Device& device, SimClock& clock, ViolationLog& log,
            std::uint16_t deviceId = 0 /* 0: DefaultDeviceId(device) */,
            const ChipSettings& settings = {});
    PicChip(TargetType type, SimClock& clock, ViolationLog& log, std::uint16_t deviceId = 0,
            const ChipSettings& settings = {})
        : PicChip(DeviceOf(type), clock, log, deviceId, settings) {}
    PicChip(const PicChip&) = delete;
    PicChip& operator=(const PicChip&) = delete;

    // The board reports the pin levels after every port write and when a slow
    // edge completes; rb7 is the level of the wired line (host and chip
    // together), nowNs when the levels took effect (never before an earlier
    // report), vppRising whether VPP is on its way up but not there yet.
    void UpdatePins(MclrLevel mclr, bool rb6, bool rb7, std::uint64_t nowNs,
                    bool vppRising = false);
    // The PGM pin (RB3, on the 62xA RB4) as the board drives it: raised
    // before MCLR rises to VDD, it asks for low-voltage programming
    // (PicChipEntry.cpp). Low on a board without the line.
    void UpdatePgm(bool high, std::uint64_t nowNs);
    // In programming mode entered through PGM rather than VPP.
    bool LowVoltageMode() const { return mode_ == ChipMode::Programming && lowVoltage_; }
    // False while the chip pulls RB7 low during a read frame.
    bool Rb7Released() const { return !driveLow_; }
    // A level the chip is putting on RB7 takes effect some time after the
    // rising clock edge that asked for it: when the next one does, if any.
    std::optional<std::uint64_t> DriveChangeDueNs() const;
    // Puts the level on its way on RB7 once its time has come.
    void SettleDrive(std::uint64_t nowNs);

    // Inspection.
    TargetType Type() const { return type_; }
    const Device& Part() const { return device_; }
    const ChipSettings& Settings() const { return settings_; }
    ChipMode Mode() const { return mode_; }
    MclrLevel Mclr() const { return mclr_; }
    std::uint16_t Pc() const { return pc_; }
    bool Busy();                 // a write or erase cycle is in progress
    const ChipMemory& Memory();  // completes a finished cycle first
    // What Read Data from Program Memory would return at the address
    // (code protection applied; unstored configuration-space words read 0x3FFF).
    std::uint16_t ReadProgramWord(std::uint16_t address);
    // Commands received, by code, ignored ones included.
    std::uint64_t CommandCount(std::uint8_t code) const { return commandCounts_[code & 0x3F]; }
    std::uint64_t IgnoredCommands() const { return ignoredCommands_; }
    // MCLR going from low to high without VPP: the chip starts its program.
    std::uint64_t ResetReleases() const { return resetReleases_; }
    std::uint64_t ProgramModeEntries() const { return programModeEntries_; }

    // Replace the whole memory (test set-up, loading a HEX file). The device
    // ID stays the chip's own; the configuration word is normalised.
    void LoadMemory(const ChipMemory& memory);

    // The board switched the target's supply (a board without a VDD line
    // never does: the chip is powered from the start).
    void SupplyChanged(bool on, std::uint64_t nowNs);

    // Fault: program cycles leave this word address unchanged (erases still work).
    void SetUnprogrammableWord(std::optional<std::uint16_t> address) { unprogrammable_ = address; }
    // Fault: no erase reaches this word address (program memory or
    // configuration space): it keeps its value; programming can still clear bits.
    void SetUnerasableWord(std::optional<std::uint16_t> address) { unerasable_ = address; }

  private:
    enum class Phase : std::uint8_t { Command, DataIn, DataOut, DataIgnored };
    enum class CycleTarget : std::uint8_t {
        ProgramWords,    // 1 word (877) or a row of 8 (877A) at address
        ConfigWords,     // configuration space: 1 word at address, or a row of 8
        EepromByte,      // one data EEPROM byte at EepromIndex(PC)
        ChipErase,       // 877A command 31
        BulkProgram,     // command 9, then 8; 877: Load Data 0x3FFF, 1, 7, 8
        BulkData,        // command 11, then 8; 877: Load Data for Data Memory 0xFF, 1, 7, 8
        CodeProtectOff,  // 877: 1, 7, 8 at 0x2007
        ConfigBlock,     // 88x: the latches written into a block of configuration space
        RowErase,        // 88x command 17: the 16-word row at address
    };
    struct Cycle {
        bool active = false;
        bool externallyTimed = false;  // 877A command 24: ends with End Programming
        bool eraseFirst = false;       // command 8: the words are replaced, not ANDed
        bool withIds = false;          // erase covers the IDs and the debug vector too
        bool withEeprom = false;       // code-protect-disable erase takes the EEPROM too
        bool withCalibration =
            false;  // 88x bulk erase from 0x2009 and up: the calibration word too
        CycleTarget target = CycleTarget::ProgramWords;
        std::uint8_t command = 0;
        std::uint8_t wordCount = 0;
        std::uint16_t address = 0;
        std::array<std::uint16_t, 8> words{};
        std::uint64_t startNs = 0;
        std::uint64_t minDurationNs = 0;
        // Over minDurationNs: a later revision's larger minimum. A cycle that
        // ends between the two is committed and noted as a hazard. 0: none.
        std::uint64_t revisedMinDurationNs = 0;
        // An externally timed cycle ended later than this is not committed. 0: no maximum.
        std::uint64_t maxDurationNs = 0;
    };
    enum class PendingErase : std::uint8_t { None, Program, Data };
    enum class LastLoad : std::uint8_t { None, Program, Eeprom };

    void OnMclrChange(MclrLevel level, std::uint64_t now);
    // Entry through PGM and the order of VDD and VPP (PicChipEntry.cpp).
    bool LowVoltageEnabled() const;
    bool RunsWithoutMclr() const;
    bool EnterLowVoltage(std::uint64_t now);
    bool RefuseVppAfterRun(std::uint64_t now);
    void CheckPgmAtVppEntry(std::uint64_t now);
    void EnterProgramming(std::uint64_t now);
    void LeaveProgramming(std::uint64_t now);
    void CheckEntryHold(std::uint64_t now);
    void OnRisingEdge(std::uint64_t now);
    void OnFallingEdge(bool bit, std::uint64_t now);
    void CheckFrameStart(std::uint64_t now);
    void DecodeCommand(std::uint8_t code, std::uint64_t now);
    bool IsKnownCommand(std::uint8_t code) const;
    void Execute(std::uint8_t code, std::uint64_t now);
    void TakeData(std::uint16_t data);
    void StartWriteCycle(std::uint8_t command, bool eraseFirst, std::uint64_t now);
    void StartErase(CycleTarget target, std::uint64_t now);
    void StartBulkErase877(std::uint64_t now);
    void EraseIds();
    void EndProgramming(std::uint64_t now);
    void Settle(std::uint64_t now);
    void NoteBelowRevisedMinimum(std::uint64_t now);
    void Commit(const Cycle& cycle);
    void CommitCycle(const Cycle& cycle);
    void CommitConfigWord(std::uint16_t address, std::uint16_t value, bool eraseFirst);
    std::uint16_t* UnerasableWord();
    void AbortCycle(std::uint64_t now, const char* why);
    void ResetLatches();
    void AwaitCommand();
    void DriveAfterDelay(bool low, std::uint64_t risingEdgeNs);
    void ReleaseRb7();
    std::uint16_t WordAt(std::uint16_t address) const;
    std::uint8_t EndProgrammingCode() const;
    void IncrementPc();

    // The PIC16F88x's algorithm (PicChip88x.cpp).
    static bool IsKnownCommand88x(std::uint8_t code);
    void Execute88x(std::uint8_t code, std::uint64_t now);
    void TakeData88x(std::uint16_t data);
    void StartWriteCycle88x(bool externallyTimed, std::uint64_t now);
    void StartErase88x(CycleTarget target, std::uint64_t now);
    void EndProgramming88x(std::uint64_t now);
    void CommitCycle88x(const Cycle& cycle);
    void CommitConfigBlock88x(const Cycle& cycle);
    std::uint8_t LatchCount88x() const;

    // The PIC16F627A/628A/648A's algorithm (PicChip62xA.cpp).
    static bool IsKnownCommand62xA(std::uint8_t code);
    void Execute62xA(std::uint8_t code, std::uint64_t now);
    void TakeData62xA(std::uint16_t data);
    void StartWriteCycle62xA(std::uint64_t now);
    void StartErase62xA(CycleTarget target, std::uint64_t now);
    void CommitCycle62xA(const Cycle& cycle);

    // The PIC16F84A's algorithm (PicChip84A.cpp).
    static bool IsKnownCommand84A(std::uint8_t code);
    void Execute84A(std::uint8_t code, std::uint64_t now);
    void TakeData84A(std::uint16_t data);
    void StartCycle84A(std::uint8_t code, PendingErase pending, std::uint8_t setupStep,
                       std::uint64_t now);
    void StartWriteCycle84A(std::uint8_t code, std::uint64_t now);
    void StartErase84A(CycleTarget target, std::uint64_t now);
    void CommitCycle84A(const Cycle& cycle);

    // The PIC16F87/88's algorithm (PicChip8788.cpp).
    static bool IsKnownCommand8788(std::uint8_t code);
    void Execute8788(std::uint8_t code, std::uint64_t now);
    void TakeData8788(std::uint16_t data);
    bool ArraySelected8788(std::uint8_t code, std::uint64_t now);
    void StartWriteCycle8788(std::uint64_t now);
    void StartErase8788(CycleTarget target, std::uint64_t now);
    void EndProgramming8788(std::uint64_t now);
    void CommitCycle8788(const Cycle& cycle);
    void CommitConfigWord8788(std::uint16_t address, std::uint16_t value);
    void JudgePowerUpEntry8788(std::uint64_t now);

    // The PIC12F629/675's algorithm (PicChip629.cpp).
    static bool IsKnownCommand629(std::uint8_t code);
    void Execute629(std::uint8_t code, std::uint64_t now);
    void TakeData629(std::uint16_t data);
    void StartWriteCycle629(bool externallyTimed, std::uint64_t now);
    void StartErase629(CycleTarget target, std::uint64_t now);
    void CommitCycle629(const Cycle& cycle);
    // A 4K part ignores bit 12 of the address, a 128-byte EEPROM bit 7.
    std::uint16_t ProgramIndex(std::uint16_t address) const {
        return static_cast<std::uint16_t>(address & (device_.programWords - 1U));
    }
    std::uint16_t EepromIndex(std::uint16_t address) const {
        return static_cast<std::uint16_t>(address & (device_.eepromBytes - 1U));
    }
    bool InConfigSpace() const { return pc_ >= kConfigSpaceStart; }
    bool ConfigThroughRowLatches() const {
        return type_ == TargetType::Pic16F877A && settings_.configLatches == ConfigLatches::Row;
    }

    const Device& device_;
    TargetType type_;
    ChipSettings settings_;
    SimClock& clock_;
    ViolationLog& log_;
    ChipMemory memory_;
    std::optional<std::uint16_t> unprogrammable_;
    std::optional<std::uint16_t> unerasable_;

    // Pins and entry conditions.
    MclrLevel mclr_ = MclrLevel::Low;
    ChipMode mode_ = ChipMode::Reset;
    bool rb6_ = false;
    bool rb7_ = true;
    bool linesLow_ = false;
    std::uint64_t linesLowSinceNs_ = 0;
    std::uint64_t lastRb7ChangeNs_ = 0;
    std::uint64_t lastFallNs_ = 0;
    bool lastFallLatchedHostBit_ = false;
    std::uint64_t enteredNs_ = 0;  // when programming mode began (VPP at its level)
    bool pgm_ = false;
    std::uint64_t pgmRoseNs_ = 0;
    bool lowVoltage_ = false;  // programming mode was entered through PGM
    bool powered_ = true;
    std::uint64_t poweredSinceNs_ = 0;
    bool clockedSinceEntry_ = false;  // the first clock edge after entry has been judged
    // When VDD last rose, until the programming-mode entry that follows it.
    std::optional<std::uint64_t> vddRoseNs_;

    // Serial state.
    Phase phase_ = Phase::Command;
    std::uint8_t bitCount_ = 0;   // falling edges taken in the current frame
    std::uint8_t riseCount_ = 0;  // rising edges seen in the current data frame
    std::uint16_t shift_ = 0;
    std::uint8_t command_ = 0;
    std::uint16_t outWord_ = 0;
    bool driveLow_ = false;  // the chip pulls RB7 low now
    bool drivePending_ = false;
    bool nextDriveLow_ = false;  // and will from driveDueNs_
    std::uint64_t driveDueNs_ = 0;
    bool frameEnded_ = false;       // a command or frame has ended since entry
    std::uint64_t frameEndNs_ = 0;  // when the last command or data frame ended
    // Judged at the first rising edge of a command.
    bool startBusy_ = false;
    bool startInTdis_ = false;
    std::uint64_t commandStartNs_ = 0;  // first rising edge of the current frame

    // Address counter, latches and cycles.
    std::uint16_t pc_ = 0;
    std::uint16_t wordLatch_ = kErasedWord;    // 877 program-memory latch
    std::array<std::uint16_t, 8> rowLatches_;  // 877A row latches
    std::uint16_t configLatch_ = kErasedWord;  // configuration space's single latch
    std::uint8_t eepromLatch_ = kErasedByte;
    LastLoad lastLoad_ = LastLoad::None;
    std::uint8_t setupStep_ = 0;  // 877: 1 then 7 arm the code-protect-disable erase
    PendingErase pendingErase_ = PendingErase::None;
    Cycle cycle_;
    std::uint64_t tdisUntilNs_ = 0;

    // Counters.
    std::array<std::uint64_t, 64> commandCounts_{};
    std::uint64_t ignoredCommands_ = 0;
    std::uint64_t resetReleases_ = 0;
    std::uint64_t programModeEntries_ = 0;
};

}  // namespace tallis::sim
