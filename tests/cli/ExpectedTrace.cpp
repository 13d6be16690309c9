#include "ExpectedTrace.h"

#include <cstdio>

namespace tallis::testing {

void ExpectedTrace::Write(unsigned port, std::uint8_t value) {
    char line[16];
    std::snprintf(line, sizeof line, "W %04X %02X\n", port, unsigned{value});
    text_ += line;
}

void ExpectedTrace::Delay(std::uint32_t microseconds) {
    text_ += "D " + std::to_string(microseconds) + "\n";
}

void ExpectedTrace::EnterProgramMode() {
    LineWait();
    Control(0x01);
    Data(0x00);
    LineWait();
    Data(0x02);
    LineWait();
    Data(0x0A);
    LineWait();
    Control(0x01);
    LineWait();
}

void ExpectedTrace::LeaveProgramMode() {
    Data(0x08);
    LineWait();
    Data(0x00);
    LineWait();
    Data(0x02);
}

void ExpectedTrace::Clock(bool bit) {
    BitWait();
    Control(bit ? 0x00 : 0x01);  // the data-out line is written inverted
    BitWait();
    Data(0x0B);
    BitWait();
    Data(0x0A);
}

void ExpectedTrace::Command(std::uint8_t code, std::uint16_t data, bool withData) {
    for (int bit = 0; bit < 6; ++bit) {
        Clock(((code >> bit) & 1) != 0);
    }
    if (withData) {
        BitWait();
        BitWait();
        const unsigned frame = (unsigned{data} << 1) & 0x7FFE;
        for (int bit = 0; bit < 16; ++bit) {
            Clock(((frame >> bit) & 1) != 0);
        }
    }
    BitWait();
}

}  // namespace tallis::testing
