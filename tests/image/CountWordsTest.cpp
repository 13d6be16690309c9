#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "image/FirmwareImage.h"

namespace tallis {
namespace {

struct CountCase {
    const char* name;
    std::string text;
    std::uint16_t expected;
};

void PrintTo(const CountCase& c, std::ostream* os) {
    *os << c.name;
}

class CountWordsTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountWordsTest, CountsByTheRule) {
    EXPECT_EQ(CountWords(GetParam().text), GetParam().expected);
}

const std::string kExtendedAddress = ":020000040000FA\r\n";
const std::string kEnd = ":00000001FF\r\n";
const std::string kFourWordsAt0 = ":080000000128FF3FFF3FFF3F4B\r\n";
const std::string kConfigWord = ":02400E00723FFF\r\n";
// The comments a compiler (CCS) puts after the end record; the time's ':' starts no record.
const std::string kCompilerTrailer = ";PIC16F877A\r\n;CRC=D692  CREATED=\"10-Ara-21 22:26\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rule, CountWordsTest,
    ::testing::Values(
        CountCase{"Empty", "", 0}, CountCase{"EndRecordAddsNothing", kEnd, 0},
        CountCase{"ExtendedAddressRecordAddsOne", kExtendedAddress, 1},
        CountCase{"ProgramWords", kFourWordsAt0, 4},
        CountCase{"ExtendedAddressProgramAndConfig",
                  kExtendedAddress + kFourWordsAt0 + kConfigWord + kEnd, 4 + 2},
        CountCase{"OddByteCountRoundsDown", ":0500000001020304059A\r\n", 2},
        CountCase{"LowerCaseDigits", ":0a001000\r\n", 5},
        CountCase{"LastProgramWords", ":083FFC00\r\n", 4},  // word 0x1FFE: all four counted
        CountCase{"IdLocationsNotCounted", ":08400000\r\n", 0},
        CountCase{"OddConfigByteAddressCounted", ":02400F00\r\n", 1},  // 0x400F -> word 0x2007
        CountCase{"AboveConfigNotCounted", ":02401000\r\n", 0},
        CountCase{"DataEepromNotCounted", ":10420000\r\n", 0},
        CountCase{"FirstCharCarriageReturn", "\r" + kFourWordsAt0, 0},
        CountCase{"LeadingLineFeedIsIgnored", "\n" + kFourWordsAt0, 4},
        CountCase{"CtrlZEndsTheText", kFourWordsAt0 + "\x1A" + kFourWordsAt0, 4},
        CountCase{"CtrlZFirst", "\x1A" + kFourWordsAt0, 0},
        CountCase{"NonHexEndsByteCount", ":1G000000\r\n", 0},  // byte count 1
        CountCase{"NonHexEndsAddress", ":088G0000\r\n", 4},    // address 8, not 0x8000
        CountCase{"NoLineEndsBetweenRecords", ":04000000:0400000\r\n", 4},
        CountCase{"ColonInsideHeaderIsNotARecord", ":0G:0C0000\r\n", 0},
        CountCase{"HeaderCutShortByTheEnd", ":0", 0},
        CountCase{"NothingAfterTheEndRecord", kFourWordsAt0 + kEnd + kCompilerTrailer, 4},
        CountCase{"NothingAfterTheEndRecordLf",
                  ":080000000128FF3FFF3FFF3F4B\n:00000001FF\n;22:26\n", 4},
        CountCase{"RecordsAfterTheEndRecordNotCounted", kEnd + kFourWordsAt0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The count is kept to 16 bits: 517 records of 127 words wrap to 123.
TEST(CountWords, WrapsAt16Bits) {
    std::string text;
    for (int i = 0; i < 517; ++i) {
        text += ":FF000000\r\n";
    }
    EXPECT_EQ(CountWords(text), 123);
}

}  // namespace
}  // namespace tallis
