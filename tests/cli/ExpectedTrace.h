#pragma once

#include <cstdint>
#include <string>

namespace tallis::testing {

// The port conversation that the line protocol prescribes, written out as
// trace text ("W 0378 0A", "D 60") for one port base. Built from the protocol's
// description, independently of the engine.
class ExpectedTrace {
  public:
    explicit ExpectedTrace(std::uint16_t base) : base_(base) {}

    void Data(std::uint8_t value) { Write(base_, value); }
    void Control(std::uint8_t value) { Write(base_ + 2, value); }
    void Delay(std::uint32_t microseconds);
    void BitWait() { Delay(60); }
    void LineWait() { Delay(2000); }

    void EnterProgramMode();
    void LeaveProgramMode();
    // A 6-bit command, LSb first, with its 16-clock data frame on request.
    void Command(std::uint8_t code, std::uint16_t data = 0, bool withData = false);

    const std::string& Text() const { return text_; }

  private:
    void Write(unsigned port, std::uint8_t value);
    void Clock(bool bit);

    std::uint16_t base_;
    std::string text_;
};

}  // namespace tallis::testing
