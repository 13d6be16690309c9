#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "classic/RunHost.h"
#include "image/FirmwareImage.h"
#include "timing/Delayer.h"

namespace tallis::bench {

// A window that shows nothing: the run's own cost is what is measured.
class QuietRunHost : public RunHost {
  public:
    explicit QuietRunHost(ChipType chip) : chip_(chip) {}
    ChipType SelectedChip() const override { return chip_; }
    int OptionsPortChoice() const override { return 0; }
    void ShowStatus(const std::string&) override {}
    void SetGauge(int) override {}
    void ShowMessage(const std::string& text) override { lastMessage = text; }
    void ProcessEvents() override {}

    std::string lastMessage;

  private:
    ChipType chip_;
};

// Passes every wait on, adds up what was asked for and how long the waits
// really took, so that the timer's share of a run can be told from the rest.
class SummingDelayer : public Delayer {
  public:
    explicit SummingDelayer(Delayer& inner) : inner_(inner) {}
    void Delay(std::uint32_t microseconds) override {
        askedUs += microseconds;
        auto start = std::chrono::steady_clock::now();
        inner_.Delay(microseconds);
        auto waited = std::chrono::steady_clock::now() - start;
        waitedUs += std::chrono::duration<double, std::micro>(waited).count();
    }
    std::uint64_t askedUs = 0;
    double waitedUs = 0;

  private:
    Delayer& inner_;
};

// words program words from address 0 in 16-byte records, then the
// configuration word and the end record.
inline std::unique_ptr<FirmwareImage> MakeProgramImage(std::uint32_t words) {
    std::string text;
    auto record = [&](std::uint32_t wordAddress, std::uint32_t count, std::uint32_t seed) {
        char line[64];
        unsigned sum = count * 2 + ((wordAddress * 2) >> 8) + ((wordAddress * 2) & 0xFF);
        int n = std::snprintf(line, sizeof line, ":%02X%04X00", count * 2, wordAddress * 2);
        text.append(line, static_cast<std::size_t>(n));
        for (std::uint32_t i = 0; i < count; ++i) {
            unsigned word = ((seed + i) * 2654435761U >> 7) & 0x3FFE;
            n = std::snprintf(line, sizeof line, "%02X%02X", word & 0xFF, word >> 8);
            text.append(line, static_cast<std::size_t>(n));
            sum += (word & 0xFF) + (word >> 8);
        }
        n = std::snprintf(line, sizeof line, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text.append(line, static_cast<std::size_t>(n));
    };
    for (std::uint32_t address = 0; address < words; address += 8) {
        record(address, std::min<std::uint32_t>(8, words - address), address);
    }
    text += ":02400E00723FFF\r\n:00000001FF\r\n";
    return MakeFirmwareImage(text).image;
}

}  // namespace tallis::bench
