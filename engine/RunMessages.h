#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// "Down load data 27 words complete"
std::string DownloadCompleteMessage(std::uint32_t wordCount);

// "Verify error ! at Address 001AH", a line feed, a carriage return, then the hints.
std::string VerifyErrorMessage(std::uint16_t wordAddress);

}  // namespace tallis
