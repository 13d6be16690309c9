#include "engine/RunMessages.h"

#include <cstdio>

namespace tallis {

std::string DownloadCompleteMessage(std::uint32_t wordCount) {
    std::string text(kDownloadCompletePrefix);
    text += std::to_string(wordCount);
    text += kDownloadCompleteSuffix;
    return text;
}

std::string VerifyErrorMessage(std::uint16_t wordAddress) {
    char address[8];
    std::snprintf(address, sizeof address, "%04X", unsigned{wordAddress});
    std::string text(kVerifyErrorPrefix);
    text += address;
    text += "H\n\r";
    text += kVerifyErrorHints;
    return text;
}

}  // namespace tallis
