#pragma once

#include <cstdint>
#include <exception>

#include "engine/LineCheck.h"
#include "engine/OperationProgress.h"
#include "engine/OperationResult.h"
#include "wire/LineTransport.h"
#include "wire/SerialCommand.h"
#include "wire/TimingProfile.h"
#include "wire/Wire.h"

namespace tallis {

// Thrown between steps when an operation must stop (cancelled, or a port
// access failed); the operation turns it into its outcome.
struct OperationStopped : std::exception {
    explicit OperationStopped(OperationOutcome why) : outcome(why) {}
    const char* what() const noexcept override { return "chip operation stopped"; }
    OperationOutcome outcome;
};

// The chip in programming mode for as long as the object lives. It enters
// from reset (MCLR low straight to VPP, RB6 and RB7 low; or, where the board
// enters by low voltage, PGM raised and MCLR to VDD) and, on every way out,
// leaves with VPP off (MCLR low before PGM), the data line released and the
// target running.
// It owns the address counter: a lower address is reached by entering
// programming mode again, never by wrapping round. It owns its wire, and with
// it the only copy of the timing profile and of what the line check learned
// of the board: nothing of either outlives the session.
class ProgrammingSession {
  public:
    static constexpr std::uint16_t kConfigSpace = 0x2000;
    static constexpr std::uint16_t kBlankWord = 0x3FFF;

    // vppBeforeVdd: enter as UseVppBeforeVdd does from the start.
    ProgrammingSession(LineTransport& lines, const TimingProfile& timing,
                       OperationProgress* progress = nullptr, const LineCheckResult& board = {},
                       bool vppBeforeVdd = false);
    ~ProgrammingSession();
    ProgrammingSession(const ProgrammingSession&) = delete;
    ProgrammingSession& operator=(const ProgrammingSession&) = delete;

    const TimingProfile& Timing() const { return wire_.Timing(); }
    // Another profile's waits from now on (a retry with the standard ones).
    void UseTiming(const TimingProfile& timing);
    std::uint16_t Address() const { return address_; }
    // The profile a run of reads may take: the fast one where a line check has
    // measured the board (reads change nothing on the chip, so even a session
    // that writes with other waits reads quickly), else the session's own.
    const TimingProfile& ReadTiming() const;

    // Moves the address counter to a program-memory address (also the EEPROM
    // byte number) or a configuration-space address (0x2000 and up).
    void GoTo(std::uint16_t address);
    void Increment();
    // Leaves programming mode and enters it again: the address counter is 0.
    void Restart();
    // From now on, on a board that switches VDD, enters with VPP before VDD
    // (entering again at once): a chip that runs without MCLR would otherwise
    // run its program before VPP comes. Elsewhere nothing changes.
    void UseVppBeforeVdd();
    bool LowVoltage() const { return wire_.LowVoltage(); }
    BoardEntry Entry() const { return wire_.Transport().Entry(); }
    bool VppBeforeVdd() const { return vppBeforeVdd_; }

    std::uint16_t ReadWord();     // the word at the address
    std::uint8_t ReadDataByte();  // the EEPROM byte at the address's low bits
    // The same reads with their values looked at later (ValueOf), so that a
    // batching transport sends a run of them, ReadBatch() long, in one go.
    struct PendingRead {
        Wire::PendingWord word;
        bool dataByte = false;
    };
    PendingRead ReadWordLater();
    PendingRead ReadDataByteLater();
    std::uint16_t ValueOf(const PendingRead& read);
    std::uint32_t ReadBatch() const { return wire_.Transport().ReadBatch(); }
    void LoadWord(std::uint16_t word);
    void LoadDataByte(std::uint8_t value);
    // Load Configuration: the address becomes 0x2000, the word goes to its latch.
    void LoadConfiguration(std::uint16_t word);
    void Send(SerialCommand command);
    // Counts towards the setup, hold and gap waits the chip is owed; none at all for 0.
    void Wait(std::uint32_t microseconds);

    // Reports progress; throws OperationStopped when the user cancelled or a
    // port access has failed.
    void Step(std::uint32_t done, std::uint32_t total, std::uint16_t address);
    // Port accesses the system refused since the session began.
    std::uint64_t PortFailures() const;

  private:
    void Enter();
    void EnterLowVoltage();
    void EnterVppBeforeVdd();
    void Leave() noexcept;

    Wire wire_;
    OperationProgress* progress_;
    std::uint64_t failuresAtStart_;
    bool linesMeasured_;
    bool vppBeforeVdd_ = false;
    std::uint16_t address_ = 0;
};

}  // namespace tallis
