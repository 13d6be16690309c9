#pragma once

#include <cstdint>
#include <string>

#include "classic/ClassicProgrammer.h"
#include "classic/RunHost.h"
#include "image/FirmwareImage.h"
#include "image/HexFileCheck.h"
#include "image/HexRecordReader.h"

namespace tallis {

// How a program-and-verify run ended.
enum class RunOutcome {
    Completed,      // end record: "Down load data N words complete"
    NotIntelHex,    // a record start that is not ':', or a text with no character
    VerifyError,    // a program-memory word read back different, or the configuration
                    // word did in a bit the chip implements
    ChecksumError,  // a record's checksum did not match, or the record was cut short
    EndOfText,      // the text ends without an end record
    RefusedRecord,  // a record of unknown type, at an extended address or past program memory
    Cancelled,      // the host asked to stop; the target was reset, VPP is off
};

// "Erase + Program + Verify": checks the whole text (CheckHexFile), erases the
// chip, then walks the image record by record, writing and verifying each word
// as soon as it has been read. Each word goes by its own address: program
// memory is programmed, the configuration word written and verified under
// the bits the chip implements, all else skipped; bits 14-15 of a word are
// left out (the check's warning names the first line that sets them). A record below the one
// before is reached by entering programming mode again.
//
// Execute runs to its end on the caller's thread. The host sees, in order: the
// port status, gauge 0, then for a file the check refuses its one message and
// nothing more (no port access at all, NotIntelHex, ChecksumError, EndOfText
// or RefusedRecord); otherwise a warning message when ID or data EEPROM
// records are skipped, progress before each program word and before the
// configuration word, one ProcessEvents just before the configuration word,
// and one message, shown while the target is still in programming mode (the
// reset follows once ShowMessage returns). Input that arrives during
// ProcessEvents must not start another engine command: the host holds it back.
// When the host asks to cancel, the run stops before the next word (or during
// a move of the address counter) without a message and resets the target.
class ProgramRun {
  public:
    ProgramRun(ClassicProgrammer& programmer, RunHost& host);

    // programWords: where the chosen chip's program memory ends (a file with
    // data beyond it is refused); by default the family's 0x2000 words.
    RunOutcome Execute(const FirmwareImage& image, std::uint16_t programWords = kProgramMemoryEnd);

    // Run state, set afresh at every start.
    // Program words handed to the chip: what the gauge goes by.
    std::uint16_t WordsDone = 0;
    // Program words and the configuration word written: what the run wrote,
    // which the file's word count (an extended-address record counts there
    // too) need not match.
    std::uint16_t WordsWritten = 0;
    bool StopRun = false;
    // Where a cancelled run stopped: the word address it did not write.
    std::uint16_t CancelledAt = 0;

    // Where the chip's address counter stands, as far as the run knows.
    std::uint16_t AddressCounter() const { return addressCounter_; }

    // The check of the last run's text: where it was refused, what it skips.
    const HexFileCheck& FileCheck() const { return fileCheck_; }

  private:
    void HandleRecord(HexRecordReader& reader, const FirmwareImage& image);
    void ProgramRecordWords(HexRecordReader& reader, const RecordHeader& header,
                            const FirmwareImage& image);
    bool ProgramWord(std::uint16_t wordAddress, const DataWord& word, const FirmwareImage& image);
    bool WriteConfigurationWord(const DataWord& word, const FirmwareImage& image);
    void ReturnToProgramMemory();
    void RestartAddressCounter();
    void ShowProgress(const FirmwareImage& image);
    void Stop(RunOutcome outcome, const std::string& message);
    void Cancel(std::uint16_t wordAddress);
    bool AddressSkipStep(std::uint32_t done, std::uint32_t total);

    ClassicProgrammer& programmer_;
    RunHost& host_;
    std::uint16_t addressCounter_ = 0;
    // The chip's counter is in configuration space: only a fresh entry into
    // programming mode brings it back to program memory.
    bool configMode_ = false;
    RunOutcome outcome_ = RunOutcome::EndOfText;
    HexFileCheck fileCheck_;
};

// The gauge value before a word is written: wordsDone x 100 / (wordCount - 1),
// rounded half to even and kept within 0..100. A word count of 1 shows 100.
int ProgressPercent(std::uint16_t wordsDone, std::uint32_t wordCount);

// "Current LPT Port :2  (278H)": the status text for a port choice.
std::string PortStatusText(std::int32_t portNumber, std::uint16_t portBase);

}  // namespace tallis
