#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "image/HexFileCheck.h"

namespace tallis {

// The texts a program-and-verify run shows, byte for byte. Message boxes carry
// their own "\n\r" line breaks.
inline constexpr std::string_view kNotIntelHexMessage = "ERROR  ! \n\rThis file not Intel hex file";
inline constexpr std::string_view kChecksumErrorMessage = "Check sum error !";
inline constexpr std::string_view kDownloadCompletePrefix = "Down load data ";
inline constexpr std::string_view kDownloadCompleteSuffix = " words complete";
inline constexpr std::string_view kVerifyErrorPrefix = "Verify error ! at Address ";
inline constexpr std::string_view kVerifyErrorHints =
    "\n\r1. Disconnect any load form Port RB3 RB6 RB7 \n\r"
    "2. Check sytem voltage supply 4.8-5.5 V inspected\n\r"
    "3. Check selected type 16F877 or 16f877A\n\r"
    "4. 16F877 may be FAIL or Damage or Wrong config";
inline constexpr std::string_view kPortStatusPrefix = "Current LPT Port :";
inline constexpr std::string_view kNoEndRecordMessage =
    "the file has no end record; the target was not reset";
inline constexpr std::string_view kUnknownRecordTypePrefix =
    "ERROR  ! \n\rThis file has a record of unknown type ";
inline constexpr std::string_view kExtendedAddressMessage =
    "ERROR  ! \n\rThis file has data at an extended address, in memory no PIC16 has";
inline constexpr std::string_view kPastProgramMemoryMessage =
    "ERROR  ! \n\rThis file has a record that runs on past the end of program memory (1FFFH)";

inline constexpr std::string_view kPastChipMemoryPrefix =
    "ERROR  ! \n\rThis file has data past the end of this chip's program memory (";
inline constexpr std::string_view kConflictingWordPrefix = "ERROR  ! \n\rThis file gives address ";

// "Down load data 27 words complete"
std::string DownloadCompleteMessage(std::uint32_t wordCount);

// What a run shows for a file it refuses before touching the chip; the
// classic texts for what the run itself would have found.
std::string FileCheckMessage(const HexFileCheck& check);

// "ID locations (2000H-2003H) and data EEPROM (2100H-21FFH)": what of the
// file the run passes over; empty when the file has neither.
std::string SkippedRecords(const HexFileCheck& check);

// "Warning: ..." naming the ID locations and data EEPROM records that the run
// passes over, on a line of its own a configuration word 2, which these
// chips do not have, and on another the words whose bits 14-15 the run
// leaves out; empty when the file has none of them.
std::string SkippedRecordsWarning(const HexFileCheck& check);

// "Verify error ! at Address 001AH", a line feed, a carriage return, then the hints.
std::string VerifyErrorMessage(std::uint16_t wordAddress);

// "Verify error ! at Address 2007H: configuration word expected 3F72H, read
// 3FFFH", a line feed, a carriage return, then the hints.
std::string ConfigurationVerifyErrorMessage(std::uint16_t expected, std::uint16_t read);

}  // namespace tallis
