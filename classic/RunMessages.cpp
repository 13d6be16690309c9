#include "classic/RunMessages.h"

#include <cstdio>

#include "image/WordAddressClass.h"

namespace tallis {

std::string DownloadCompleteMessage(std::uint32_t wordCount) {
    std::string text(kDownloadCompletePrefix);
    text += std::to_string(wordCount);
    text += kDownloadCompleteSuffix;
    return text;
}

namespace {

// Type characters from a damaged file may be anything; only printable ones are shown.
std::string PrintableText(const std::string& text) {
    std::string shown;
    for (char c : text) {
        shown += c >= ' ' && c <= '~' ? c : '?';
    }
    return shown;
}

// "0FFF": a word address as the run's messages show it.
std::string HexAddress(std::uint16_t wordAddress) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", unsigned{wordAddress});
    return text;
}

}  // namespace

std::string FileCheckMessage(const HexFileCheck& check) {
    switch (check.fault) {
        case HexFileFault::None:
            return {};
        case HexFileFault::NotIntelHex:
            return std::string(kNotIntelHexMessage);
        case HexFileFault::ChecksumError:
            return std::string(kChecksumErrorMessage);
        case HexFileFault::NoEndRecord:
            return std::string(kNoEndRecordMessage);
        case HexFileFault::UnknownRecordType:
            return std::string(kUnknownRecordTypePrefix) + PrintableText(check.recordType);
        case HexFileFault::ExtendedAddress:
            return std::string(kExtendedAddressMessage);
        case HexFileFault::PastProgramMemory:
            return std::string(kPastProgramMemoryMessage);
        case HexFileFault::PastChipMemory:
            return std::string(kPastChipMemoryPrefix) + HexAddress(check.address) + "H)";
        case HexFileFault::ConflictingWord:
            return std::string(kConflictingWordPrefix) + HexAddress(check.address) +
                   "H twice, with different values";
    }
    return {};
}

std::string SkippedRecords(const HexFileCheck& check) {
    std::string skipped;
    if (check.hasIdWords) {
        skipped = "ID locations (2000H-2003H)";
    }
    if (check.hasEepromWords) {
        skipped += skipped.empty() ? "" : " and ";
        skipped += "data EEPROM (2100H-21FFH)";
    }
    return skipped;
}

std::string SkippedRecordsWarning(const HexFileCheck& check) {
    std::string warning;
    if (const std::string skipped = SkippedRecords(check); !skipped.empty()) {
        warning =
            "Warning: this command does not write the file's " + skipped + "; they are skipped";
    }
    if (check.hasSecondConfigWord) {
        warning += warning.empty() ? "" : "\n";
        warning +=
            "Warning: the file's configuration word 2 (2008H) is not on this chip; it is "
            "skipped";
    }
    if (check.highBitsLine != 0) {
        warning += warning.empty() ? "" : "\n";
        warning += "Warning: line " + std::to_string(check.highBitsLine) +
                   " sets bits 14-15 of a word; the chip's words have 14 bits, so they are "
                   "left out";
    }
    return warning;
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

std::string ConfigurationVerifyErrorMessage(std::uint16_t expected, std::uint16_t read) {
    char words[64];
    std::snprintf(words, sizeof words, "%04XH: configuration word expected %04XH, read %04XH",
                  unsigned{kConfigWordAddress}, unsigned{expected}, unsigned{read});
    std::string text(kVerifyErrorPrefix);
    text += words;
    text += "\n\r";
    text += kVerifyErrorHints;
    return text;
}

}  // namespace tallis
