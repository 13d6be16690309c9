#pragma once

#include <cstdint>

#include "engine/EngineHost.h"
#include "wire/ParallelPortTransport.h"
#include "wire/SerialCommand.h"
#include "wire/Wire.h"

namespace tallis {

// The classic commands' sequences, with their own fixed waits, over a wire
// of their own that keeps the classic timing: bulk erase, the word writes of
// "Erase + Program + Verify", target reset, "Erase only" and "Reset CPU".
// The chip type is asked of the host at every step that depends on it, never
// cached, because the user may change it at any time.
class ClassicProgrammer {
  public:
    ClassicProgrammer(ParallelPortTransport& lines, const EngineHost& host);

    // 1 -> LPT 1 at 0x378, 2 -> LPT 2 at 0x278; any other number changes nothing.
    void SelectPort(std::int32_t portNumber);
    // A port given by its address: the LPT number that has it, or 0 for none.
    void SelectPortAddress(std::uint16_t portBase);
    // The port number (1 or 2, as shown to the user; 0 for another address)
    // and its base always change together.
    std::int32_t PortNumber() const { return portNumber_; }
    std::uint16_t PortBase() const { return lines_.Base(); }

    Wire& SerialWire() { return wire_; }

    void EnterProgramMode();
    void LeaveProgramMode();
    // Out of programming mode and in again, with the address counter at 0.
    void ReenterProgramMode();
    void HoldDataLow();

    // Steps the chip's address counter from `from` up to `to`; returns where
    // it stands, short of `to` when step stopped the move. The counter only
    // counts up: a target below it would be reached by wrapping through all
    // 65536 values, so a run goes back by entering programming mode again.
    std::uint16_t AdvanceAddress(std::uint16_t from, std::uint16_t to,
                                 const Wire::AddressStep& step = {});
    void WriteProgramWord(std::uint8_t high, std::uint8_t low);
    // Leaves the chip at 0x2007, so that a following read compares the
    // configuration word.
    void WriteConfigurationWord(std::uint8_t high, std::uint8_t low);
    bool ReadAndCompareWord(std::uint8_t high, std::uint8_t low);
    // The same read, handing back the 14-bit word the chip sent.
    std::uint16_t ReadWord();

    // Whole-chip operations and the two commands built on them.
    void EraseChip();
    void ResetTarget();
    void EraseOnly();  // "Erase only"
    void ResetCpu();   // "Reset CPU"
    // Leaves the port as the program ends: RB7 released, the target running.
    void LeavePort();

  private:
    void EraseWithCodeProtectDisable();  // PIC16F877
    void EraseWithChipErase();           // PIC16F877A

    ParallelPortTransport& lines_;
    const EngineHost& host_;
    Wire wire_;
    std::int32_t portNumber_;
};

}  // namespace tallis
