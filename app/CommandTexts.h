#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tallis {

// The texts the windows add to the run's own messages: status-bar lines and
// questions. Plain strings, so that every front end shows the same words.
inline constexpr std::string_view kEraseDoneStatus = "Chip erased";
inline constexpr std::string_view kResetDoneStatus = "Target reset";
inline constexpr std::string_view kReloadedStatus = "File changed on disk: reloaded";
inline constexpr std::string_view kFtdiUnavailableStatus = "FTDI device not available";
// A parallel-port board chosen where no port access started.
inline constexpr std::string_view kNoParallelPortRefusal =
    "no access to the parallel port in this session: a board on an FTDI chip can be used";
// Options, beside the FTDI devices: the one there is, whichever it is.
inline constexpr std::string_view kOnlyFtdiDeviceItem = "the only FTDI device there is";
inline constexpr std::string_view kCloseDuringRunQuestion =
    "A command is still running.\n\nCancel it and close TALLIS?";

// Tooltips.
inline constexpr std::string_view kCancelHint = "Stop the command before its next word (Esc)";
inline constexpr std::string_view kPortAddressHint = "The port's base I/O address in hexadecimal";
inline constexpr std::string_view kFastProgrammingHint =
    "The Device commands at the chip's own timing limits: a line check first, then the "
    "shortest waits the chip allows";
inline constexpr std::string_view kPortDriverHint =
    "Windows' port driver, from the next start: InpOut (inpoutx64.dll) or zlportio.sys beside "
    "the program; Auto takes InpOut when it is found";

// The question after a Device command found a chip of the other classic
// family than the chip buttons say: "Found PIC16F873, but the chip buttons say
// PIC16F877A: Erase + Program + Verify and Erase only would send it the
// PIC16F877A's sequence.\n\nSwitch the chip buttons to PIC16F877?"
// Write all refused a configuration word that clears LVP over a board
// without VPP: what writing it would do, and whether to write it.
std::string LvpOffQuestion(std::uint16_t configWord);
std::string SwitchChipButtonsQuestion(std::string_view found, std::string_view buttons,
                                      std::string_view switchTo);

// "Cancelled at 0123H; VPP off": the word address the run did not write. Short,
// to fit the status panel.
std::string CancelledStatus(std::uint16_t wordAddress);

}  // namespace tallis
