#pragma once

#include <cstdint>
#include <deque>

#include "engine/EngineHost.h"
#include "portio/PortIo.h"

namespace tallis::test {

// A port with nothing behind it: writes vanish, reads return scripted status
// bytes in order and then a fixed one.
class ScriptedPort : public PortIo {
  public:
    void WriteByte(std::uint16_t, std::uint8_t) override {}
    std::uint8_t ReadByte(std::uint16_t) override {
        if (script.empty()) {
            return idleStatus;
        }
        std::uint8_t value = script.front();
        script.pop_front();
        return value;
    }

    std::deque<std::uint8_t> script;
    std::uint8_t idleStatus = 0x00;
};

class FixedChipHost : public EngineHost {
  public:
    explicit FixedChipHost(ChipType chip) : chip(chip) {}
    ChipType SelectedChip() const override { return chip; }

    ChipType chip;
};

}  // namespace tallis::test
